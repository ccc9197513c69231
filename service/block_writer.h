// The file side of a download: libcurl hands its write callback 16 KiB at most per call, whatever
// its receive buffer, so the pieces are gathered here into blocks of 1 MiB, and each block is
// written (and hashed, when the job has a digest) once. The job's count rises only when a block is
// in the file, so it never names a byte the file does not hold, and a resume built on it is exact.
#pragma once

#include "common/hashing_pipeline.h"
#include "service/transfer_job.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <vector>

class block_writer_c {
public:
    static constexpr std::size_t block_size = 1024 * 1024;
    // A slow download still shows its progress: a block older than this is written as it is.
    static constexpr std::chrono::milliseconds longest_hold{100};

    // Appends to the open file, which already holds the job's bytes_done bytes; the job's digest,
    // when it has one, has seen exactly those.
    block_writer_c(std::FILE* file, transfer_job_c& job);
    // Once it is gone the digest is whole again: every byte written is hashed. Bytes still
    // gathered are dropped; flush writes them.
    ~block_writer_c() = default;
    block_writer_c(const block_writer_c&) = delete;
    block_writer_c& operator=(const block_writer_c&) = delete;

    // Gathers one piece, writing the block when it is full. False when the piece is refused: it
    // would take the file beyond the expected size (last_error 25), or writing failed before
    // (last_error 5).
    bool take(const char* data, std::size_t size);
    // Writes what is gathered; false (last_error 5) when the file refused it.
    bool flush();
    // The same, but only for a block held longer than longest_hold.
    bool flush_when_held_long();

    bool refused_oversize() const { return refused_oversize_; }
    bool failed() const { return failed_; }

private:
    std::FILE* file_;
    transfer_job_c& job_;
    std::vector<char> block_;
    std::chrono::steady_clock::time_point block_started_;
    bool refused_oversize_ = false;
    bool failed_ = false;
    std::optional<hashing_pipeline_c> hashing_;  // while the job has a digest
};
