/* Takes the CLIPBOARD selection offering one text under TARGETS and UTF8_STRING, and then acts
 * like a frozen program: it reads nothing from the X server until its delay is over.
 *
 *   slow_owner --never TEXT      never answers a request (a hung application or clipboard bridge)
 *   slow_owner --delay S TEXT    answers every request, queued ones included, once S seconds
 *                                have passed since it took the selection
 *
 * Prints "ready" once it owns the selection. After the delay it answers until another program
 * takes the selection, then exits; with --never it waits to be ended by signal. Answers meant
 * for requestor windows that are gone by then are dropped without a fuss. */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

static int ignore_errors(Display *display, XErrorEvent *error)
{
    (void)display;
    (void)error;
    return 0;
}

static void answer(Display *display, const XSelectionRequestEvent *request, Atom targets, Atom utf8,
                   const char *text)
{
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.time = request->time;
    reply.property = request->property != None ? request->property : request->target;
    if (request->target == targets) {
        Atom offered[] = {targets, utf8};
        XChangeProperty(display, request->requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)offered, 2);
    } else if (request->target == utf8) {
        XChangeProperty(display, request->requestor, reply.property, utf8, 8, PropModeReplace,
                        (const unsigned char *)text, (int)strlen(text));
    } else {
        reply.property = None;
    }
    XSendEvent(display, request->requestor, False, NoEventMask, (XEvent *)&reply);
    XFlush(display);
}

int main(int argc, char **argv)
{
    double delay = -1;
    if (argc == 3 && strcmp(argv[1], "--never") == 0)
        delay = -1;
    else if (argc == 4 && strcmp(argv[1], "--delay") == 0)
        delay = atof(argv[2]);
    else {
        fprintf(stderr, "usage: slow_owner --never TEXT | --delay SECONDS TEXT\n");
        return 2;
    }
    const char *text = argv[argc - 1];
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
