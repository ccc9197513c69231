#include "ui/kit/shared_fonts_win.h"

namespace {

struct font_spec_c {
    const wchar_t* face;
    int points;
    int weight;
};

// Creation order matters: windows refer to the fonts by number.
constexpr font_spec_c specs[shared_fonts_c::count] = {
    {L"Arial", 8, 0},     {L"Arial", 11, 0},    {L"Arial", 15, 0},    {L"Arial", 18, 0},    {L"Arial", 16, 0},
    {L"Arial", 18, 700},  {L"Arial", 25, 700},  {L"Verdana", 8, 0},   {L"Verdana", 8, 0},   {L"Verdana", 10, 0},
    {L"Verdana", 8, 700}, {L"Verdana", 9, 700}, {L"Verdana", 10, 700}, {L"verdana", 12, 700}, {L"verdana", 12, 0},
    {L"verdana", 14, 0},  {L"verdana", 16, 700}, {L"verdana", 16, 0},  {L"verdana", 18, 0},  {L"verdana", 22, 0},
    {L"verdana", 25, 0},
    // Arial's twins for languages read right to left, where Windows' own windows use Tahoma.
    {L"Tahoma", 8, 0},    {L"Tahoma", 11, 0},   {L"Tahoma", 15, 0},   {L"Tahoma", 18, 0},   {L"Tahoma", 16, 0},
    {L"Tahoma", 18, 700}, {L"Tahoma", 25, 700},
};

}  // namespace

bool shared_fonts_c::create() {
    release();
    for (int i = 0; i < count; ++i) {
        // A fixed 96 pixels per inch, whatever the screen's real resolution.
        int height = -MulDiv(specs[i].points, 96, 72);
        fonts_[std::size_t(i)] = CreateFontW(height, 0, 0, 0, specs[i].weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                             OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                             VARIABLE_PITCH, specs[i].face);
        if (!fonts_[std::size_t(i)]) return false;
    }
    return true;
}

void shared_fonts_c::release() {
    for (auto& font : fonts_) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
}

shared_fonts_c& shared_fonts() {
    static shared_fonts_c fonts;
    return fonts;
}
