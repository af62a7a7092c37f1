/* A stand-in for the Xinerama client library: it reports the heads listed in the
   environment variable VELMARIN_HEADS ("WxH+X+Y,..." in X screen pixels, the first head
   being the primary monitor), so that Wine on a server without RandR sees those monitors;
   the other programs of the session (xdotool, import) see them too. Without system
   headers, it builds for 32 and 64 bits alike. */

typedef __SIZE_TYPE__ size_t;
void* malloc(size_t size);
char* getenv(const char* name);
int sscanf(const char* text, const char* format, ...);

typedef struct {
    int screen_number;
    short x_org;
    short y_org;
    short width;
    short height;
} XineramaScreenInfo;

enum { MOST_HEADS = 8 };

/* The listed heads, up to MOST_HEADS, into heads; their count. */
static int ReadHeads(XineramaScreenInfo* heads)
{
    const char* text = getenv("VELMARIN_HEADS");
    int count = 0, used = 0;
    while (text != 0 && count < MOST_HEADS &&
           sscanf(text, "%hdx%hd+%hd+%hd%n", &heads[count].width, &heads[count].height, &heads[count].x_org,
                  &heads[count].y_org, &used) == 4) {
        heads[count].screen_number = count;
        ++count;
        text += used;
        if (*text++ != ',') break;
    }
    return count;
}

int XineramaIsActive(void* display)
{
    XineramaScreenInfo heads[MOST_HEADS];
    (void)display;
    return ReadHeads(heads) > 0;
}

int XineramaQueryExtension(void* display, int* eventBase, int* errorBase)
{
    *eventBase = *errorBase = 0;
    return XineramaIsActive(display);
}

int XineramaQueryVersion(void* display, int* major, int* minor)
{
    (void)display;
    *major = *minor = 1;
    return 1;
}

/* The heads in a block that the caller releases with XFree, which is free. */
XineramaScreenInfo* XineramaQueryScreens(void* display, int* count)
{
    XineramaScreenInfo heads[MOST_HEADS];
    XineramaScreenInfo* copy;
    int i;
    (void)display;
    *count = ReadHeads(heads);
    copy = *count > 0 ? malloc(sizeof heads[0] * (size_t)*count) : 0;
    if (copy == 0) *count = 0;
    for (i = 0; i < *count; ++i) copy[i] = heads[i];
    return copy;
}
