// The state machine every skinned button runs, in the caption and in client areas alike:
// 0 normal, 1 hover, 2 pressed (also the index of the image drawn). A click is a press over the
// button released over the same button; a press elsewhere dragged onto it clicks nothing.
#pragma once

class button_state_c {
public:
    static constexpr int normal = 0;
    static constexpr int hover = 1;
    static constexpr int pressed = 2;

    struct result_c {
        bool changed = false;  // the look changed: redraw
        bool clicked = false;  // the click completed: run the button's action
    };

    int state() const { return state_; }
    // While the mouse is held after a press on this button (the owner keeps the capture).
    bool pressing() const { return pressing_; }

    // The mouse moved, over the button or not.
    result_c move(bool inside);
    // The left button went down, over the button or not.
    result_c press(bool inside);
    // The left button went up, over the button or not.
    result_c release(bool inside);
    // The mouse left the surface (leave notification) or the capture was lost.
    result_c leave();
    result_c cancel();

private:
    result_c set(int state);

    int state_ = normal;
    bool pressing_ = false;
};
