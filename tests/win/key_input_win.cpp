#include "tests/win/key_input_win.h"

#include "tests/win/ui_test_support_win.h"

#include <vector>

void send_key(WORD key, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD code, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.wScan = WORD(MapVirtualKeyW(code, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers) add(modifier, false);
    add(key, false);
    add(key, true);
    for (auto it = modifiers.end(); it != modifiers.begin();) add(*--it, true);
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

void key_loop_c::pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (keys_.translate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool key_loop_c::pump_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (condition()) return true;
        if (GetTickCount() - start > timeout_ms) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool key_loop_c::type(WORD key, std::initializer_list<WORD> modifiers) {
    send_key(key, modifiers);
    // Sent from this thread, the input is in its queue when SendInput returns (or on its way to
    // another thread's window): handle it and what it posted.
    return pump_until([] { return HIWORD(GetQueueStatus(QS_KEY)) == 0; }, ui_timeout_ms);
}
