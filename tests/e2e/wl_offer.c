/* Takes the Wayland clipboard with several MIME types at once, through data-control, which
 * wl-copy cannot (it offers one type). Prints "ready" once the compositor has the offer, serves
 * each request, and exits when another client takes the clipboard.
 *
 * Usage: wl_offer [--hang] [--filler N] TYPE=TEXT...
 *   --hang      accepts each request but never writes or closes the pipe (a program that hangs)
 *   --filler N  offers N further types, "application/x-filler-0" on, after the others (an offer
 *               of more types than any reader should keep) */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <wayland-client.h>

#include "wlr-data-control-unstable-v1-client-protocol.h"

struct offer_state {
    struct zwlr_data_control_manager_v1* manager;
    struct wl_seat* seat;
    char** pairs;
    int count;
    int hang;
    int done;
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

static void on_send(void* data, struct zwlr_data_control_source_v1* source, const char* mime_type, int32_t fd)
{
    struct offer_state* state = data;
    (void)source;
    if (state->hang)
        return; /* The descriptor stays open until the process ends. */
    for (int i = 0; i < state->count; ++i) {
        const char* equals = strchr(state->pairs[i], '=');
        if (equals && strncmp(state->pairs[i], mime_type, (size_t)(equals - state->pairs[i])) == 0
            && strlen(mime_type) == (size_t)(equals - state->pairs[i])) {
            const char* text = equals + 1;
            size_t left = strlen(text);
            while (left > 0) {
                ssize_t written = write(fd, text, left);
                if (written <= 0)
                    break;
                text += written;
                left -= (size_t)written;
            }
            break;
        }
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

int main(int argc, char** argv)
{
    struct offer_state state = {0};
    int first = 1;
    long filler = 0;
    for (;;) {
        if (argc > first && strcmp(argv[first], "--hang") == 0) {
            state.hang = 1;
            first += 1;
        } else if (argc > first + 1 && strcmp(argv[first], "--filler") == 0) {
            filler = atol(argv[first + 1]);
            first += 2;
        } else {
            break;
        }
    }
    state.pairs = argv + first;
    state.count = argc - first;
    if (state.count < 1) {
        fprintf(stderr, "usage: wl_offer [--hang] [--filler N] TYPE=TEXT...\n");
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
    for (int i = 0; i < state.count; ++i) {
        char* equals = strchr(state.pairs[i], '=');
        if (!equals)
            continue;
        *equals = '\0';
        zwlr_data_control_source_v1_offer(source, state.pairs[i]);
        *equals = '=';
    }
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
    while (!state.done && wl_display_dispatch(display) >= 0) {
    }
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    wl_display_disconnect(display);
    return 0;
}
