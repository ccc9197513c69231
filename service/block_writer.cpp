#include "service/block_writer.h"

#include <new>

block_writer_c::block_writer_c(std::FILE* file, transfer_job_c& job) : file_(file), job_(job) {
    // The block is the only buffer: the stream's own would copy every byte once more.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (job_.digest) hashing_.emplace(*job_.digest);
}

bool block_writer_c::take(const char* data, std::size_t size) {
    if (failed_) return false;
    if (std::uint64_t(job_.expected_size) < std::uint64_t(job_.bytes_done.load()) + block_.size() + size) {
        refused_oversize_ = true;
        job_.failure = failure_code_c::oversize;
        return false;
    }
    try {
        if (block_.capacity() < block_size) block_.reserve(block_size);
        if (block_.empty()) block_started_ = std::chrono::steady_clock::now();
        block_.insert(block_.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        failed_ = true;
        job_.failure = failure_code_c::file_write;
        return false;
    }
    return block_.size() < block_size || flush();
}

bool block_writer_c::flush() {
    if (block_.empty()) return !failed_;
    const std::size_t size = block_.size();
    if (std::fwrite(block_.data(), 1, size, file_) != size || std::fflush(file_) != 0) {
        // The count stays at the bytes written before; a resume cuts off what this left behind.
        block_.clear();
        failed_ = true;
        job_.failure = failure_code_c::file_write;
        return false;
    }
    job_.bytes_done.fetch_add(std::uint32_t(size));
    if (hashing_)
        hashing_->hand_over(block_);
    else
        block_.clear();
    return true;
}

bool block_writer_c::flush_when_held_long() {
    if (block_.empty() || std::chrono::steady_clock::now() - block_started_ < longest_hold) return !failed_;
    return flush();
}
