// COM in a single-threaded apartment of the calling thread, for as long as the object lives.
#pragma once

#include <objbase.h>

class com_apartment_c {
public:
    com_apartment_c() : ready_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~com_apartment_c() {
        if (ready_) CoUninitialize();
    }
    com_apartment_c(const com_apartment_c&) = delete;
    com_apartment_c& operator=(const com_apartment_c&) = delete;
    bool ready() const { return ready_; }

private:
    bool ready_;
};
