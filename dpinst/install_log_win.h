// The installer's log: lines appended to %SystemRoot%\DPINST.LOG (UTF-8), each with the local
// time and the run's title, and with /C written to the console as well.
#pragma once

#include <string>

class install_log_c {
public:
    install_log_c(bool to_console, std::wstring title);
    void write(const std::wstring& line);
    static std::wstring path();
    // Text for the console alone (help, version), without time or title.
    void write_console_only(const std::wstring& text);

private:
    void write_console(const std::string& text);

    bool to_console_;
    std::wstring title_;
    bool console_ready_ = false;
};
