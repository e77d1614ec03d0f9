/* libtolma: a host window on the communicator's local desktop channel.
 *
 * A host opens a window on the desktop, learns the registered message number
 * with tolma_register_message("MSG_TOLMA"), announces itself (wParam 0, its
 * handle in lParam), sends request texts (wParam 1) and receives answer texts
 * (wParam 2) in its receiver while it pumps. Texts end in "|"; at most 255
 * bytes are sent, at most 254 received. Everything runs on the calling
 * thread; a window must not be shared between threads.
 *
 * On Windows the same calls run on the real desktop: registered window
 * messages, a hidden top-level window, texts as global atoms. There the
 * library is linked into tolma.exe only; a host speaks window messages
 * itself. */
#ifndef TOLMA_H
#define TOLMA_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tolma_window tolma_window;

typedef struct tolma_message {
  uint32_t message;
  uint32_t wparam;
  int64_t lparam;
  const char* text; /* valid during the receiver call only; not zero-terminated */
  size_t text_length;
  int sent; /* 1: the sender waits until the receiver returns */
} tolma_message;

typedef void (*tolma_receiver)(void* context, const tolma_message* message);

/* Results of tolma_send. */
enum {
  TOLMA_DELIVERED = 0, /* the receiving window has handled the message */
  TOLMA_NO_WINDOW = 1, /* no such window, or it refused; the message is lost */
  TOLMA_NO_REPLY = 2,  /* the window went away before it replied */
  TOLMA_TIMED_OUT = 3  /* no reply within the time given */
};

/* The same number in every process: 0xC000 + FNV-1a-32(name) mod 0x4000;
 * on Windows RegisterWindowMessageA(name). */
uint32_t tolma_register_message(const char* name);

/* Opens a window on the desktop `desktop` (NULL or "": $TOLMA_DESKTOP, else
 * $XDG_RUNTIME_DIR/tolma, else /tmp/tolma-<uid>; on Windows the name of the
 * thread's desktop, which is the only one accepted). NULL on failure, with a
 * Czech reason in `problem` (zero-terminated, cut to `problem_size`). */
tolma_window* tolma_open(const char* desktop, char* problem, size_t problem_size);
/* Closes the window and removes its socket (on Windows: the atoms of its
 * posted texts). */
void tolma_close(tolma_window* window);

int64_t tolma_handle(const tolma_window* window);
/* The directory of the desktop the window is on (on Windows its name). */
const char* tolma_desktop(const tolma_window* window);

/* Called for every message to this window while it pumps or waits in
 * tolma_send. NULL stops receiving. */
void tolma_set_receiver(tolma_window* window, tolma_receiver receiver, void* context);

/* Posts to every window of the desktop, this one included, without waiting.
 * Returns how many windows it reached and stores up to `capacity` of their
 * handles in `reached` (which may be NULL). */
size_t tolma_post_to_all(tolma_window* window, uint32_t message, uint32_t wparam, int64_t lparam,
                         const char* text, size_t text_length, int64_t* reached, size_t capacity);

/* Sends to the window `target` and waits at most `timeout_ms` until it has
 * handled the message. Returns one of the TOLMA_ results. */
int tolma_send(tolma_window* window, int64_t target, uint32_t message, uint32_t wparam,
               int64_t lparam, const char* text, size_t text_length, int timeout_ms);

/* Handles messages to this window for `milliseconds`, or until the receiver
 * calls tolma_stop_pump. */
void tolma_pump(tolma_window* window, int milliseconds);
void tolma_stop_pump(tolma_window* window);

#ifdef __cplusplus
}
#endif

#endif /* TOLMA_H */
