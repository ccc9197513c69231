// The base of every window class: one static window procedure binds the HWND to its object at
// WM_NCCREATE and hands each message to the object's typed handlers. No exception leaves it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <exception>

// Owner-drawn kit controls draw themselves before their window sees WM_DRAWITEM. The kit sets
// this when it takes over its first control, so programs without the kit (the driver package
// installer) do not carry it; null until then.
extern bool (*kit_draw_item)(const DRAWITEMSTRUCT* item);

// Runs a window's handler for one message: no exception leaves a window procedure; one is
// reported on standard error and the message counts as not handled.
template <typename Handler>
bool handle_without_throwing(const char* kind, UINT message, Handler&& handler) noexcept {
    try {
        return handler();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s message %u failed: %s\n", kind, message, failure.what());
    } catch (...) {
        std::fprintf(stderr, "%s message %u failed\n", kind, message);
    }
    return false;
}

class window_base_c {
public:
    window_base_c() = default;
    virtual ~window_base_c() = default;
    window_base_c(const window_base_c&) = delete;
    window_base_c& operator=(const window_base_c&) = delete;

    HWND handle() const { return window_; }

protected:
    // Registers the class once per process (later calls do nothing).
    static bool register_class(const wchar_t* class_name, HINSTANCE instance, HICON icon = nullptr);
    HWND create(const wchar_t* class_name, const wchar_t* title, DWORD style, int x, int y, int width, int height,
                HWND parent = nullptr);

    // Handles a message; returns false to let the default procedure handle it.
    virtual bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    // The window is gone; the object may now be released by its owner.
    virtual void on_final_destroy() {}

private:
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
};
