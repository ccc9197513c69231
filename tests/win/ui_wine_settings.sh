# Prepares the Wine prefix $WINEPREFIX for the window tests (see ui_wine.reg: fixed font
# substitutes, windows not handed to a window manager); sourced by the test script after it
# has made the prefix.
ui_wine_settings() {
  local reg
  reg=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/ui_wine.reg
  wine_tool reg import "$(wine_tool winepath -w "$reg" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1 && wineserver -w
}

# ui_wine_scale PERCENT   sets the prefix's screen scale (Wine reads LogPixels, 96 at 100 %).
ui_wine_scale() {
  local dpi=$(( $1 * 96 / 100 ))
  wine_tool reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine_tool reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
    /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
}
