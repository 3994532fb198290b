// Two sides of the desktop for the key capture test, one per mode:
//   key_capture_probe window   shows a window that captures keys with the keyboard grabbed
//                              and prints every key message it is given;
//   key_capture_probe raw      prints every key press, repeat and release the X server
//                              handles, with the server's time, grabs or not (XInput 2 raw
//                              events);
//   key_capture_probe desktop  stands in for the desktop shell and its volume daemon: it
//                              grabs Super, Menu, Print Screen, Alt+F4, Alt+Tab and Volume Up
//                              on the root window, as they do, shows a window of its own, and
//                              prints the keys it gets.
// Every line is flushed at once, so that the test reads it while the program runs.

#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "keys/ScanCodes.h"
#include "macros/KeyCapture.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int RunWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("key capture probe");
    window.resize(200, 100);
    window.show();
    window.activateWindow();

    KeyCapture capture;
    QMenu menu;
    menu.addAction("item");
    capture.Start([&](uint8_t virtualKey, uint32_t lParam) {
        // P opens a menu for a moment, as a context menu of the window would.
        if (virtualKey == 0x50 && !(lParam & keys::kKeyMessageRelease)) {
            QTimer::singleShot(0, &menu, [&] {
                menu.popup(window.mapToGlobal(QPoint(10, 10)));
                QTimer::singleShot(300, &menu, [&] {
                    menu.close();
                    std::printf("menu closed\n");
                    std::fflush(stdout);
                });
            });
        }
        const uint16_t key = keys::KeyCodeOfKeyMessage(virtualKey, lParam);
        bool media = false;
        for (const keys::MediaFunction& f : keys::MediaFunctionTable) {
            media = media || f.keyCode == key;
        }
        const bool swallow = key != 0 && !media;
        std::printf("key %02x %08x %s\n", virtualKey, lParam, swallow ? "swallowed" : "passed");
        std::fflush(stdout);
        return swallow;
    });
    capture.Grab(&window);
    // Says when the grab begins and ends.
    QTimer watch;
    bool grabbed = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (capture.Grabbed() != grabbed) {
            grabbed = capture.Grabbed();
            std::printf(grabbed ? "grabbed\n" : "released\n");
            std::fflush(stdout);
        }
    });
    watch.start(20);
    return app.exec();
}

int RunDesktop() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::printf("no display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // X key codes of the evdev keymap: Super_L, Menu, Print, F4, Tab, XF86AudioRaiseVolume.
    const uint8_t grabbed[] = {133, 135, 107, 70, 23, 123};
    for (uint8_t key : grabbed) {
        xcb_void_cookie_t cookie = xcb_grab_key_checked(c, 1, root, XCB_MOD_MASK_ANY, key,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            std::printf("cannot grab %u\n", key);
            std::free(error);
            return 1;
        }
    }
    // A window of its own, for the user to click away from the capture.
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 300, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    const char title[] = "desktop probe";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_map_window(c, window);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const uint8_t type = event->response_type & 0x7F;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            std::printf("desktop %u %s\n", key->detail,
                        type == XCB_KEY_PRESS ? "press" : "release");
            std::fflush(stdout);
        }
        std::free(event);
    }
    return 0;
}

int RunRaw() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::printf("no display\n");
        return 1;
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    xcb_input_xi_query_version_reply_t* version =
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    if (!ext || !ext->present || !version) {
        std::printf("no XInput 2\n");
        return 1;
    }
    std::free(version);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } select = {{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    xcb_input_xi_select_events(c, root, 1, &select.head);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        if ((event->response_type & 0x7F) == XCB_GE_GENERIC) {
            const auto* raw = reinterpret_cast<xcb_input_raw_key_press_event_t*>(event);
            if (raw->extension == ext->major_opcode &&
                (raw->event_type == XCB_INPUT_RAW_KEY_PRESS ||
                 raw->event_type == XCB_INPUT_RAW_KEY_RELEASE)) {
                const bool repeat = raw->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT;
                std::printf("raw %u %s %u\n", raw->detail,
                            raw->event_type == XCB_INPUT_RAW_KEY_RELEASE ? "release"
                            : repeat                                     ? "repeat"
                                                                         : "press",
                            raw->time);
                std::fflush(stdout);
            }
        }
        std::free(event);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "window") == 0) {
        return RunWindow(argc, argv);
    }
    if (argc == 2 && std::strcmp(argv[1], "desktop") == 0) {
        return RunDesktop();
    }
    if (argc == 2 && std::strcmp(argv[1], "raw") == 0) {
        return RunRaw();
    }
    std::fprintf(stderr, "usage: key_capture_probe window|desktop|raw\n");
    return 2;
}
