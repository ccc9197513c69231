// The part of a download that a file transfer reads and writes; the download session embeds it.
// bytes_done and stop are shared with the UI thread, so they are atomics.
#pragma once

#include "common/failure_code.h"

#include <atomic>
#include <cstdint>
#include <string>

class sha256_c;

struct transfer_job_c {
    std::uint32_t expected_size = 0;           // in: size of the complete file; more is refused
    std::atomic<std::uint32_t> bytes_done{0};  // in/out: bytes safely in the target file
    std::int32_t http_status = 0;              // out: response code of the last attempt
    std::int32_t code = 0;                     // out: libcurl result of the last attempt (a stop is 0)
    std::atomic<std::int32_t> stop{0};         // in: nonzero aborts at the next progress call
    // out: the last failure on this side during the download (file_open, file_write, oversize,
    // transfer_create), also of an attempt that was retried; none otherwise. Written by the
    // worker, read once it has ended.
    failure_code_c failure = failure_code_c::none;
    // out: "<host>: <reason>" when TLS refused the last attempt (no retry follows); written by the
    // transfer, read once it has ended.
    std::string failure_text;
    // in: the wait between two attempts, and how long a transfer may stay below one byte per
    // second before it counts as stalled.
    long retry_wait_ms = 5000;
    long low_speed_time_s = 30;
    // in: when set, follows the target file: every byte written goes through it as well, so the
    // digest of a complete file is ready with its last byte. Only the worker touches it.
    sha256_c* digest = nullptr;
};
