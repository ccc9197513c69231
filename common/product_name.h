// The product title: window title, instance mutex name, message box caption, Run value name and
// scheduled task name.
#pragma once

constexpr const wchar_t* product_title = L"Vantorel";
