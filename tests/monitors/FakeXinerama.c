/* A stand-in for the Xinerama client library: it reports the heads listed in the
   environment variable VELMARIN_HEADS ("WxH+X+Y,WxH+X+Y,..." in X screen pixels, the
   first head being the primary monitor), so that Wine on a server without RandR sees
   those monitors. It uses no system headers, so that it builds for 32 and 64 bits alike. */

typedef __SIZE_TYPE__ size_t;
void* malloc(size_t size);
char* getenv(const char* name);

typedef int Bool;
typedef struct {
    int screen_number;
    short x_org;
    short y_org;
    short width;
    short height;
} XineramaScreenInfo;

enum { MOST_HEADS = 8 };

/* A decimal number at *text, stepping past it; -1 when there is none or it is too large. */
static int ReadNumber(const char** text)
{
    int value = -1;
    while (**text >= '0' && **text <= '9' && value < 32767) {
        value = (value < 0 ? 0 : value * 10) + (**text - '0');
        ++*text;
    }
    return value <= 32767 ? value : -1;
}

/* One "WxH+X+Y" at *text, stepping past it; 0 when it is not one. */
static int ReadHead(const char** text, XineramaScreenInfo* head)
{
    int width = ReadNumber(text);
    if (width <= 0 || *(*text)++ != 'x') return 0;
    int height = ReadNumber(text);
    if (height <= 0 || *(*text)++ != '+') return 0;
    int x = ReadNumber(text);
    if (x < 0 || *(*text)++ != '+') return 0;
    int y = ReadNumber(text);
    if (y < 0) return 0;
    head->width = (short)width;
    head->height = (short)height;
    head->x_org = (short)x;
    head->y_org = (short)y;
    return 1;
}

/* The heads of the list, up to MOST_HEADS; none when the list is missing or malformed. */
static int ReadHeads(XineramaScreenInfo* heads)
{
    const char* text = getenv("VELMARIN_HEADS");
    int count = 0;
    if (text == 0) return 0;
    while (count < MOST_HEADS && ReadHead(&text, &heads[count])) {
        heads[count].screen_number = count;
        ++count;
        if (*text != ',') break;
        ++text;
    }
    return *text == '\0' ? count : 0;
}

Bool XineramaQueryExtension(void* display, int* eventBase, int* errorBase)
{
    XineramaScreenInfo heads[MOST_HEADS];
    (void)display;
    *eventBase = 0;
    *errorBase = 0;
    return ReadHeads(heads) > 0;
}

int XineramaQueryVersion(void* display, int* major, int* minor)
{
    (void)display;
    *major = 1;
    *minor = 1;
    return 1;
}

Bool XineramaIsActive(void* display)
{
    XineramaScreenInfo heads[MOST_HEADS];
    (void)display;
    return ReadHeads(heads) > 0;
}

/* The heads in a block that the caller releases with XFree, which is free. */
XineramaScreenInfo* XineramaQueryScreens(void* display, int* count)
{
    XineramaScreenInfo heads[MOST_HEADS];
    XineramaScreenInfo* copy;
    int i;
    (void)display;
    *count = ReadHeads(heads);
    if (*count == 0 || (copy = malloc(sizeof heads[0] * (size_t)*count)) == 0) {
        *count = 0;
        return 0;
    }
    for (i = 0; i < *count; ++i) copy[i] = heads[i];
    return copy;
}
