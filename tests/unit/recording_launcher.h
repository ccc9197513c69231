// A shell launcher that records what would be started instead of starting it; safe to call from
// worker threads. An armed gate holds callers until it is opened.
#pragma once

#include "common/shell_launcher.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class recording_launcher_c final : public shell_launcher_c {
public:
    bool open(const std::wstring& target) override { return record(L"open " + target); }
    bool run(const std::wstring& program, const std::wstring& parameters) override {
        return record(program + L" " + parameters);
    }
    launch_result_c run_as_administrator(const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring&) override {
        record(L"runas " + program + (parameters.empty() ? L"" : L" " + parameters));
        return consent;
    }
    launch_result_c run_as_administrator_to_end(const std::wstring& program, const std::wstring& parameters,
                                              const std::wstring& folder, std::optional<std::uint32_t>& code) override {
        const launch_result_c result = run_as_administrator(program, parameters, folder);
        code = result == launch_result_c::started ? exit_code : std::nullopt;
        return result;
    }
    // What the consent prompt answers an elevated start.
    launch_result_c consent = launch_result_c::started;
    // What an elevated start waited for ends with; none: it cannot be waited for.
    std::optional<std::uint32_t> exit_code;
    std::vector<std::wstring> started() const {
        std::lock_guard<std::mutex> guard(lock_);
        return started_;
    }
    void hold() {
        std::lock_guard<std::mutex> guard(lock_);
        held_ = true;
    }
    void release() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            held_ = false;
        }
        changed_.notify_all();
    }

private:
    bool record(const std::wstring& what) {
        std::unique_lock<std::mutex> guard(lock_);
        started_.push_back(what);
        changed_.wait(guard, [this] { return !held_; });
        return true;
    }

    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool held_ = false;
    std::vector<std::wstring> started_;
};
