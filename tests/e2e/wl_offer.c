/* Takes the Wayland clipboard with several MIME types at once, through data-control, which
 * wl-copy cannot (it offers one type). Prints "ready" once the compositor has the offer, serves
 * each request, and exits when another client takes the clipboard.
 *
 * Usage: wl_offer [--hang] [--filler N] [--log FILE] [--file TYPE PATH] [--endless TYPE]
 *                 [--stall TYPE] TYPE=TEXT...
 *   --hang          accepts each request but never writes or closes the pipe (a program that hangs)
 *   --filler N      offers N further types, "application/x-filler-0" on, after the others (an offer
 *                   of more types than any reader should keep)
 *   --log FILE      appends each MIME type asked for to FILE, one a line
 *   --file TYPE P   offers the bytes of the file P as TYPE (for types with a "=" in them too)
 *   --endless TYPE  offers TYPE and sends bytes of it for as long as the reader takes them
 *   --stall TYPE    offers TYPE, sends a few bytes of it and never closes the pipe
 * TYPE=TEXT offers TEXT as TYPE; a "=" of one of TYPE's parameters (";charset=utf-8") belongs to
 * TYPE, so TYPE ends at the first "=" past as many "=" as it has ";". */
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <wayland-client.h>

#include "wlr-data-control-unstable-v1-client-protocol.h"

enum { MAX_OFFERS = 256, MAX_STREAMS = 64 };

enum mode { SEND, ENDLESS, STALL };

struct offered {
    const char* type;
    const char* bytes;
    size_t size;
    enum mode mode;
};

struct offer_state {
    struct zwlr_data_control_manager_v1* manager;
    struct wl_seat* seat;
    struct offered offers[MAX_OFFERS];
    int count;
    int hang;
    int done;
    const char* log;
    int endless[MAX_STREAMS]; /* pipes fed for as long as their reader takes bytes */
    int endless_count;
};

static void on_global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                      uint32_t version)
{
    struct offer_state* state = data;
    (void)version;
    if (strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        state->manager = wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0 && !state->seat)
        state->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void on_global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data, (void)registry, (void)name;
}

static void write_all(int fd, const char* bytes, size_t left)
{
    while (left > 0) {
        ssize_t written = write(fd, bytes, left);
        if (written <= 0)
            break;
        bytes += written;
        left -= (size_t)written;
    }
}

static void note(const struct offer_state* state, const char* mime_type)
{
    if (!state->log)
        return;
    FILE* log = fopen(state->log, "a");
    if (!log)
        return;
    fprintf(log, "%s\n", mime_type);
    fclose(log);
}

/* The "=" that ends the type of a TYPE=TEXT pair, or NULL. */
static char* type_end(char* pair)
{
    int parameters = 0;
    for (char* at = pair; *at; ++at) {
        if (*at == ';')
            ++parameters;
        else if (*at == '=' && parameters-- == 0)
            return at;
    }
    return NULL;
}

static void on_send(void* data, struct zwlr_data_control_source_v1* source, const char* mime_type, int32_t fd)
{
    struct offer_state* state = data;
    (void)source;
    note(state, mime_type);
    if (state->hang)
        return; /* The descriptor stays open until the process ends. */
    for (int i = 0; i < state->count; ++i) {
        const struct offered* offer = &state->offers[i];
        if (strcmp(offer->type, mime_type) != 0)
            continue;
        if (offer->mode == STALL) {
            write_all(fd, "<p>", 3);
            return; /* Never closed: the reader waits for an end that does not come. */
        }
        if (offer->mode == ENDLESS && state->endless_count < MAX_STREAMS) {
            state->endless[state->endless_count++] = fd;
            return;
        }
        write_all(fd, offer->bytes, offer->size);
        break;
    }
    close(fd);
}

static void on_cancelled(void* data, struct zwlr_data_control_source_v1* source)
{
    struct offer_state* state = data;
    (void)source;
    state->done = 1;
}

/* Sends what is queued, waiting for the socket whenever it is full. */
static void flush_all(struct wl_display* display)
{
    while (wl_display_flush(display) < 0 && errno == EAGAIN) {
        struct pollfd writable = {wl_display_get_fd(display), POLLOUT, 0};
        poll(&writable, 1, 1000);
    }
}

static char* read_file(const char* path, size_t* size)
{
    FILE* in = fopen(path, "rb");
    if (!in)
        return NULL;
    fseek(in, 0, SEEK_END);
    long length = ftell(in);
    fseek(in, 0, SEEK_SET);
    char* bytes = malloc(length > 0 ? (size_t)length : 1);
    *size = length > 0 ? fread(bytes, 1, (size_t)length, in) : 0;
    fclose(in);
    return bytes;
}

/* Serves the compositor and feeds the endless pipes until another client takes the clipboard. */
static void serve(struct wl_display* display, struct offer_state* state)
{
    static char chunk[64 * 1024];
    memset(chunk, 'x', sizeof chunk);
    while (!state->done) {
        struct pollfd fds[1 + MAX_STREAMS];
        fds[0] = (struct pollfd){wl_display_get_fd(display), POLLIN, 0};
        for (int i = 0; i < state->endless_count; ++i)
            fds[1 + i] = (struct pollfd){state->endless[i], POLLOUT, 0};
        flush_all(display);
        if (poll(fds, (nfds_t)(1 + state->endless_count), -1) < 0 && errno != EINTR)
            return;
        for (int i = state->endless_count - 1; i >= 0; --i) {
            if (!fds[1 + i].revents)
                continue;
            if ((fds[1 + i].revents & (POLLERR | POLLHUP)) || write(state->endless[i], chunk, sizeof chunk) < 0) {
                close(state->endless[i]);
                state->endless[i] = state->endless[--state->endless_count];
            }
        }
        if ((fds[0].revents & POLLIN) && wl_display_dispatch(display) < 0)
            return;
        if (fds[0].revents & (POLLERR | POLLHUP))
            return;
    }
}

int main(int argc, char** argv)
{
    struct offer_state state = {0};
    long filler = 0;
    /* A reader that closes an endless pipe ends that write, not this program. */
    signal(SIGPIPE, SIG_IGN);
    for (int i = 1; i < argc && state.count < MAX_OFFERS; ++i) {
        struct offered* offer = &state.offers[state.count];
        if (strcmp(argv[i], "--hang") == 0) {
            state.hang = 1;
        } else if (strcmp(argv[i], "--filler") == 0 && i + 1 < argc) {
            filler = atol(argv[++i]);
        } else if (strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            state.log = argv[++i];
        } else if (strcmp(argv[i], "--file") == 0 && i + 2 < argc) {
            offer->type = argv[i + 1];
            offer->bytes = read_file(argv[i + 2], &offer->size);
            if (!offer->bytes) {
                fprintf(stderr, "wl_offer: cannot read %s\n", argv[i + 2]);
                return 2;
            }
            state.count++;
            i += 2;
        } else if ((strcmp(argv[i], "--endless") == 0 || strcmp(argv[i], "--stall") == 0) && i + 1 < argc) {
            offer->mode = argv[i][2] == 'e' ? ENDLESS : STALL;
            offer->type = argv[++i];
            state.count++;
        } else if (type_end(argv[i])) {
            char* equals = type_end(argv[i]);
            *equals = '\0';
            offer->type = argv[i];
            offer->bytes = equals + 1;
            offer->size = strlen(offer->bytes);
            state.count++;
        }
    }
    if (state.count < 1) {
        fprintf(stderr, "usage: wl_offer [--hang] [--filler N] [--log FILE] [--file TYPE PATH] [--endless TYPE] "
                        "[--stall TYPE] TYPE=TEXT...\n");
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wl_offer: no Wayland display\n");
        return 1;
    }
    static const struct wl_registry_listener registry_listener = {on_global, on_global_remove};
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, &state);
    wl_display_roundtrip(display);
    if (!state.manager || !state.seat) {
        fprintf(stderr, "wl_offer: the compositor offers no data-control\n");
        return 1;
    }
    struct zwlr_data_control_device_v1* device = zwlr_data_control_manager_v1_get_data_device(state.manager, state.seat);
    struct zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(state.manager);
    static const struct zwlr_data_control_source_v1_listener source_listener = {on_send, on_cancelled};
    zwlr_data_control_source_v1_add_listener(source, &source_listener, &state);
    for (int i = 0; i < state.count; ++i)
        zwlr_data_control_source_v1_offer(source, state.offers[i].type);
    for (long i = 0; i < filler; ++i) {
        char type[64];
        snprintf(type, sizeof type, "application/x-filler-%ld", i);
        zwlr_data_control_source_v1_offer(source, type);
        if (i % 64 == 0)
            flush_all(display);
    }
    flush_all(display);
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    serve(display, &state);
    for (int i = 0; i < state.endless_count; ++i)
        close(state.endless[i]);
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    wl_display_disconnect(display);
    return 0;
}
