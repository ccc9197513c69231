// Every skin bitmap the windows name, with its size: the skin's manifest must give each of them
// at exactly this size (a test checks the program's resources against this table).
#pragma once

struct skin_bitmap_c {
    int id;
    int width;
    int height;
};

// The language-dependent start buttons and banners are listed with the language table.
constexpr skin_bitmap_c skin_bitmaps[] = {
    // main window caption: title strip, logo, tabs (normal, hover, pressed), title-bar buttons
    {273, 5, 24}, {335, 161, 50},
    {236, 83, 67}, {237, 83, 67}, {238, 83, 67}, {239, 83, 67}, {240, 83, 67}, {241, 83, 67},
    {258, 83, 67}, {259, 83, 67}, {260, 83, 67}, {264, 83, 67}, {265, 83, 67}, {266, 83, 67},
    {270, 83, 67}, {271, 83, 67}, {272, 83, 67},
    {274, 30, 21}, {275, 30, 21}, {276, 30, 21}, {277, 30, 21}, {278, 30, 21}, {279, 30, 21},
    {280, 30, 21}, {281, 30, 21}, {282, 30, 21}, {283, 30, 21}, {284, 30, 21}, {285, 30, 21},
    {286, 30, 21}, {287, 30, 21}, {288, 30, 21},
    // home and scan pages
    {298, 5, 40}, {297, 470, 70}, {293, 18, 2}, {294, 24, 24}, {295, 48, 48},
    {301, 60, 60}, {303, 160, 60}, {302, 520, 20},
    // download page
    {310, 5, 40}, {365, 38, 32}, {360, 16, 16}, {359, 16, 16}, {361, 16, 16}, {364, 16, 16},
    {307, 80, 22}, {308, 80, 22}, {309, 80, 22}, {366, 106, 27}, {368, 106, 27}, {369, 106, 27},
    // backup and restore pages
    {468, 220, 100}, {469, 220, 100}, {470, 220, 100}, {474, 520, 20}, {471, 16, 16}, {472, 16, 16}, {475, 16, 16},
    // dialogs
    {323, 31, 21}, {324, 31, 21}, {325, 31, 21},
    {351, 48, 48}, {352, 48, 48}, {353, 48, 48}, {354, 48, 48},
    {356, 70, 24}, {357, 70, 24}, {358, 70, 24},
    {329, 80, 22}, {330, 80, 22}, {331, 80, 22}, {332, 3, 217},
    {348, 130, 24}, {349, 130, 24}, {350, 130, 24},
};

constexpr int start_button_width = 450, start_button_height = 120;
constexpr int banner_width = 520, banner_height = 100;

// The icon groups: the program (128) and its alert form (373).
constexpr int program_icon_id = 128;
constexpr int alert_icon_id = 373;
