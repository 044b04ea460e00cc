/* Takes the CLIPBOARD selection over and over at a steady rate, each time with a new text, as a
 * program copying in a loop would; one process instead of one xclip a copy, so the rate holds.
 * In between it answers TARGETS and UTF8_STRING requests with the text of the moment.
 *
 *   clip_burst [--rate COPIES_PER_SECOND] [--count N] [--seconds S] [--prefix TEXT] [--pad BYTES]
 *              [--linger S] [--hold]
 *
 * Each text is "PREFIX I", padded with "x" to BYTES when --pad is given (at most 1 MB, which
 * every X server takes in one property). It stops copying after N copies or S seconds, goes on
 * answering for the last text for --linger seconds (1 by default, so the last copy can still be
 * read), prints "copied N" and exits; with --hold it keeps the last text until another program
 * takes the selection or it is ended by signal. */

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

enum { max_text = 1024 * 1024 + 64 };

static double now_seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

struct atoms {
    Atom clipboard, targets, utf8, text_plain;
};

static void answer(Display *display, const struct atoms *atoms, const XSelectionRequestEvent *request,
                   const char *text, size_t length)
{
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.time = request->time;
    /* Clients from before ICCCM 2 name no property; the target stands in for it. */
    Atom property = request->property != None ? request->property : request->target;
    reply.property = property;

    if (request->target == atoms->targets) {
        Atom offered[] = {atoms->targets, atoms->utf8, atoms->text_plain, XA_STRING};
        XChangeProperty(display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)offered, 4);
    } else if (request->target == atoms->utf8 || request->target == atoms->text_plain
               || request->target == XA_STRING) {
        XChangeProperty(display, request->requestor, property, request->target, 8, PropModeReplace,
                        (const unsigned char *)text, (int)length);
    } else {
        reply.property = None;
    }
    XSendEvent(display, request->requestor, False, NoEventMask, (XEvent *)&reply);
    XFlush(display);
}

int main(int argc, char **argv)
{
    double rate = 100, seconds = 0, linger = 1;
    long count = 0, pad = 0;
    const char *prefix = "burst";
    int hold = 0;
    for (int i = 1; i < argc; ++i) {
        const char *next = i + 1 < argc ? argv[i + 1] : "0";
        if (!strcmp(argv[i], "--rate"))
            rate = atof(next), ++i;
        else if (!strcmp(argv[i], "--count"))
            count = atol(next), ++i;
        else if (!strcmp(argv[i], "--seconds"))
            seconds = atof(next), ++i;
        else if (!strcmp(argv[i], "--prefix"))
            prefix = next, ++i;
        else if (!strcmp(argv[i], "--pad"))
            pad = atol(next), ++i;
        else if (!strcmp(argv[i], "--linger"))
            linger = atof(next), ++i;
        else if (!strcmp(argv[i], "--hold"))
            hold = 1;
        else {
            fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (rate <= 0 || pad < 0 || pad > max_text - 64 || (count <= 0 && seconds <= 0)) {
        fprintf(stderr, "need a positive --rate and --count or --seconds; --pad up to 1 MB\n");
        return 2;
    }

    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    struct atoms atoms = {
        XInternAtom(display, "CLIPBOARD", False),
        XInternAtom(display, "TARGETS", False),
        XInternAtom(display, "UTF8_STRING", False),
        XInternAtom(display, "text/plain;charset=utf-8", False),
    };
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);

    static char text[max_text];
    size_t length = 0;
    long copied = 0;
    const double period = 1.0 / rate;
    const double start = now_seconds();
    double due = start;
    int owning = 0;
    double finished_at = 0;
    const int fd = ConnectionNumber(display);

    for (;;) {
        const double current = now_seconds();
        const int finished = (count > 0 && copied >= count) || (seconds > 0 && current - start >= seconds);
        if (finished && finished_at == 0)
            finished_at = current;
        if (finished && !hold && current - finished_at >= linger)
            break;
        if (!finished && current >= due) {
            int written = snprintf(text, sizeof text, "%s %ld", prefix, copied);
            length = (size_t)written;
            while ((long)length < pad)
                text[length++] = 'x';
            XSetSelectionOwner(display, atoms.clipboard, window, CurrentTime);
            XFlush(display);
            owning = XGetSelectionOwner(display, atoms.clipboard) == window;
            ++copied;
            due += period;
            /* After a stall of more than one period, go on from now rather than copying in a rush. */
            if (due < current - period)
                due = current;
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest)
                answer(display, &atoms, &event.xselectionrequest, text, length);
            else if (event.type == SelectionClear) {
                owning = 0;
                if (finished)
                    goto done;
            }
        }
        if (finished && !owning)
            break;
        double wait = finished ? 0.1 : due - now_seconds();
        if (wait < 0)
            wait = 0;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval timeout = {(time_t)wait, (suseconds_t)((wait - (double)(time_t)wait) * 1e6)};
        if (select(fd + 1, &readable, NULL, NULL, &timeout) < 0 && errno != EINTR)
            break;
    }
done:
    printf("copied %ld\n", copied);
    fflush(stdout);
    XCloseDisplay(display);
    return 0;
}
