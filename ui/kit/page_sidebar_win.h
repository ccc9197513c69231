// What the home and scan pages share: the white main area with the sidebar of 250 pixels at the
// right, and the sidebar's facts about the computer under its picture and title.
#pragma once

#include "system/system_facts.h"

#include <windows.h>

#include <string>

constexpr int sidebar_width = 250;
constexpr COLORREF page_title_colour = RGB(76, 146, 206);

// White client, the sidebar's fill and its 1-pixel left edge.
void paint_page_frame(HDC dc, const RECT& client);

// The sidebar's picture, title (Verdana 12 bold, smaller where a translation is too long) and rows
// of facts; value_offset is where the value column starts, counted from the sidebar's left edge.
void paint_sidebar(HDC dc, const RECT& client, int value_offset);

// The sidebar's rows: each fact's label (a text key) and the fact it shows, top to bottom.
struct sidebar_fact_c {
    const char* label_key;
    const std::wstring system_facts_c::*value;
};
inline constexpr sidebar_fact_c sidebar_facts[] = {
    {"sidebar_model", &system_facts_c::model},       {"sidebar_os", &system_facts_c::operating_system},
    {"sidebar_cpu", &system_facts_c::processor},     {"sidebar_memory", &system_facts_c::memory},
    {"sidebar_display", &system_facts_c::display},   {"sidebar_sound", &system_facts_c::sound},
    {"sidebar_storage", &system_facts_c::storage},
};

// The value a row shows: the fact, or the text for an unknown fact when WMI could not be reached.
std::wstring sidebar_fact_text(const system_facts_c& facts, const sidebar_fact_c& fact);
