// Makes the next plain allocation fail (test binaries link with --wrap=malloc,realloc).
#pragma once

void FailNextAllocation();
