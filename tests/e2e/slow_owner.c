/* Takes the CLIPBOARD selection offering one text under TARGETS and UTF8_STRING, and then acts
 * like a frozen program: it reads nothing from the X server until its delay is over.
 *
 *   slow_owner --never TEXT      never answers a request (a hung application or clipboard bridge)
 *   slow_owner --delay S TEXT    answers every request, queued ones included, once S seconds
 *                                have passed since it took the selection
 *   slow_owner --targets-after S TEXT [TARGET...]
 *                                answers the text at once but lists its targets (TEXT's and the
 *                                further TARGETs, such as a password marker) only S seconds after
 *                                it took the selection, as an owner busy building its list does
 *   slow_owner --compound        an old-style owner: lists UTF8_STRING but refuses it, and answers
 *                                COMPOUND_TEXT with "Grüße, καλημέρα" (Latin-1 and Greek halves)
 *                                and STRING with a different text, so what is read tells which
 *
 *   slow_owner --html-forever MS TEXT
 *                                answers TEXT at once, and text/html in increments (INCR) that
 *                                never end: 64 KiB of HTML MS milliseconds after each increment is
 *                                taken, for ever; with MS below 0 no increment at all (a
 *                                transfer that stalls). Each increment sent adds a line
 *                                "sent N" to standard output.
 *
 * Prints "ready" once it owns the selection. After the delay it answers until another program
 * takes the selection, then exits; with --never it waits to be ended by signal. Answers meant
 * for requestor windows that are gone by then are dropped without a fuss. */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

static int ignore_errors(Display *display, XErrorEvent *error)
{
    (void)display;
    (void)error;
    return 0;
}

/* COMPOUND_TEXT starts with ISO 8859-1 in its right half; ESC - F puts ISO 8859-7 (Greek) there. */
static const char compound_text[] = "Gr\xfc\xdf" "e, \x1b-F\xea\xe1\xeb\xe7\xec\xdd\xf1\xe1";

static void send_reply(Display *display, const XSelectionRequestEvent *request, Atom property)
{
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.time = request->time;
    reply.property = property;
    XSendEvent(display, request->requestor, False, NoEventMask, (XEvent *)&reply);
    XFlush(display);
}

static Atom reply_property(const XSelectionRequestEvent *request)
{
    return request->property != None ? request->property : request->target;
}

static void answer_compound(Display *display, const XSelectionRequestEvent *request)
{
    Atom targets = XInternAtom(display, "TARGETS", False);
    Atom compound = XInternAtom(display, "COMPOUND_TEXT", False);
    Atom property = reply_property(request);
    if (request->target == targets) {
        Atom offered[] = {targets, XInternAtom(display, "UTF8_STRING", False), compound, XA_STRING};
        XChangeProperty(display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)offered, 4);
    } else if (request->target == compound) {
        XChangeProperty(display, request->requestor, property, compound, 8, PropModeReplace,
                        (const unsigned char *)compound_text, (int)strlen(compound_text));
    } else if (request->target == XA_STRING) {
        const char *latin1 = "read as STRING";
        XChangeProperty(display, request->requestor, property, XA_STRING, 8, PropModeReplace,
                        (const unsigned char *)latin1, (int)strlen(latin1));
    } else {
        property = None;
    }
    send_reply(display, request, property);
}

/* Answers TARGETS with `offered` and UTF8_STRING with the text; refuses anything else. */
static void answer_text(Display *display, const XSelectionRequestEvent *request, const char *text,
                                Atom *offered, int count)
{
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom property = reply_property(request);
    if (request->target == XInternAtom(display, "TARGETS", False)) {
        XChangeProperty(display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)offered, count);
    } else if (request->target == utf8) {
        XChangeProperty(display, request->requestor, property, utf8, 8, PropModeReplace,
                        (const unsigned char *)text, (int)strlen(text));
    } else {
        property = None;
    }
    send_reply(display, request, property);
}

static double now_seconds(void)
{
    struct timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return (double)time.tv_sec + (double)time.tv_nsec / 1e9;
}

/* Serves requests until another program takes the selection, holding TARGETS requests until
 * `list_at`. */
static void serve_late_targets(Display *display, const char *text, Atom *offered, int count, double list_at)
{
    XSelectionRequestEvent held[64];
    int waiting = 0;
    int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionClear)
                return;
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent *request = &event.xselectionrequest;
            if (request->target == XInternAtom(display, "TARGETS", False) && now_seconds() < list_at) {
                if (waiting < 64)
                    held[waiting++] = *request;
                continue;
            }
            answer_text(display, request, text, offered, count);
        }
        if (waiting > 0 && now_seconds() >= list_at) {
            for (int i = 0; i < waiting; ++i)
                answer_text(display, &held[i], text, offered, count);
            waiting = 0;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval tick = {0, 50000};
        select(fd + 1, &readable, NULL, NULL, &tick);
    }
}

/* An incremental transfer of HTML that never ends. */
typedef struct {
    Window requestor;
    Atom property;
    int waiting; /* for the requestor to delete the last increment */
    double next_at; /* when the next increment is due once it has */
} Endless;

static void send_increment(Display *display, Endless *transfer, Atom html, long *sent)
{
    static char chunk[64 * 1024];
    if (!chunk[0])
        memset(chunk, 'x', sizeof chunk);
    XChangeProperty(display, transfer->requestor, transfer->property, html, 8, PropModeReplace,
                    (const unsigned char *)chunk, (int)sizeof chunk);
    XFlush(display);
    transfer->waiting = 1;
    printf("sent %ld\n", ++*sent);
    fflush(stdout);
}

/* Serves TEXT at once and HTML in increments for ever, until another program takes the selection. */
static void serve_html_forever(Display *display, const char *text, double pause)
{
    Atom targets = XInternAtom(display, "TARGETS", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom html = XInternAtom(display, "text/html", False);
    Atom incr = XInternAtom(display, "INCR", False);
    Atom offered[] = {targets, utf8, html};
    Endless transfers[16];
    int count = 0;
    long sent = 0;
    int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionClear)
                return;
            if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
                for (int i = 0; i < count; ++i) {
                    if (transfers[i].requestor == event.xproperty.window && transfers[i].property == event.xproperty.atom
                        && transfers[i].waiting) {
                        transfers[i].waiting = 0;
                        transfers[i].next_at = pause < 0 ? -1 : now_seconds() + pause;
                    }
                }
                continue;
            }
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent *request = &event.xselectionrequest;
            if (request->target != html || count == 16) {
                answer_text(display, request, text, offered, 3);
                continue;
            }
            /* The increments start once the requestor deletes the INCR property. */
            Endless *transfer = &transfers[count++];
            transfer->requestor = request->requestor;
            transfer->property = reply_property(request);
            transfer->waiting = 1;
            transfer->next_at = 0;
            XSelectInput(display, request->requestor, PropertyChangeMask);
            long size = 64 * 1024; /* a lower bound, as INCR says: no reader refuses it up front */
            XChangeProperty(display, request->requestor, transfer->property, incr, 32, PropModeReplace,
                            (unsigned char *)&size, 1);
            send_reply(display, request, transfer->property);
        }
        for (int i = 0; i < count; ++i) {
            if (!transfers[i].waiting && transfers[i].next_at >= 0 && now_seconds() >= transfers[i].next_at)
                send_increment(display, &transfers[i], html, &sent);
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval tick = {0, 5000};
        select(fd + 1, &readable, NULL, NULL, &tick);
    }
}

static void answer(Display *display, const XSelectionRequestEvent *request, Atom targets, Atom utf8,
                   const char *text)
{
    Atom offered[] = {targets, utf8};
    answer_text(display, request, text, offered, 2);
}

int main(int argc, char **argv)
{
    double delay = -1;
    double targets_after = -1;
    int compound = 0;
    double html_pause = 0;
    const char *text = NULL;
    if (argc == 3 && strcmp(argv[1], "--never") == 0) {
        text = argv[2];
    } else if (argc == 4 && strcmp(argv[1], "--delay") == 0) {
        delay = atof(argv[2]);
        text = argv[3];
    } else if (argc >= 4 && strcmp(argv[1], "--targets-after") == 0) {
        targets_after = atof(argv[2]);
        text = argv[3];
    } else if (argc == 4 && strcmp(argv[1], "--html-forever") == 0) {
        html_pause = atof(argv[2]) / 1000.0;
        text = argv[3];
    } else if (argc == 2 && strcmp(argv[1], "--compound") == 0) {
        compound = 1;
    } else {
        fprintf(stderr, "usage: slow_owner --never TEXT | --delay SECONDS TEXT | "
                        "--targets-after SECONDS TEXT [TARGET...] | --html-forever MS TEXT | --compound\n");
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore_errors);
    Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    Atom targets = XInternAtom(display, "TARGETS", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    if (XGetSelectionOwner(display, clipboard) != window)
        return 1;
    printf("ready\n");
    fflush(stdout);

    if (compound) {
        for (;;) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest)
                answer_compound(display, &event.xselectionrequest);
            else if (event.type == SelectionClear)
                break;
        }
        XCloseDisplay(display);
        return 0;
    }
    if (strcmp(argv[1], "--html-forever") == 0) {
        serve_html_forever(display, text, html_pause);
        XCloseDisplay(display);
        return 0;
    }
    if (targets_after >= 0) {
        Atom offered[32];
        int count = 0;
        offered[count++] = targets;
        offered[count++] = utf8;
        for (int i = 4; i < argc && count < 32; ++i)
            offered[count++] = XInternAtom(display, argv[i], False);
        serve_late_targets(display, text, offered, count, now_seconds() + targets_after);
        XCloseDisplay(display);
        return 0;
    }
    if (delay < 0) {
        for (;;)
            pause();
    }
    usleep((useconds_t)(delay * 1e6));
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest)
            answer(display, &event.xselectionrequest, targets, utf8, text);
        else if (event.type == SelectionClear)
            break;
    }
    XCloseDisplay(display);
    return 0;
}
