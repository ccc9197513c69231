#include "server/catalog/catalog_pipeline.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <variant>
#include <vector>

namespace {

constexpr std::size_t batch_text_bytes = 4u << 20;
constexpr std::size_t batch_records = 32768;
constexpr std::size_t batches_queued = 4;

struct expectation_c {
    std::size_t packages, entries;
};
using record_c = std::variant<expectation_c, package_fields_c, inf_fields_c, models_line_fields_c, entry_fields_c>;

// Records whose texts live in the batch's own buffer, which is never moved while it fills.
struct record_batch_c {
    std::string texts;
    std::vector<record_c> records;
    record_batch_c() {
        texts.reserve(batch_text_bytes);
        records.reserve(batch_records);
    }
    bool has_room(std::size_t bytes) const { return texts.size() + bytes <= texts.capacity() && records.size() < batch_records; }
    std::string_view keep(std::string_view text) {
        std::size_t at = texts.size();
        texts.append(text);
        return std::string_view(texts.data() + at, text.size());
    }
};

class batch_queue_c {
public:
    void push(std::unique_ptr<record_batch_c> batch) {
        std::unique_lock<std::mutex> hold(lock_);
        room_.wait(hold, [this] { return batches_.size() < batches_queued || abandoned_; });
        if (abandoned_) return;
        batches_.push_back(std::move(batch));
        ready_.notify_one();
    }
    // Null once the reader has finished and every batch is taken.
    std::unique_ptr<record_batch_c> pop() {
        std::unique_lock<std::mutex> hold(lock_);
        ready_.wait(hold, [this] { return !batches_.empty() || finished_; });
        if (batches_.empty()) return nullptr;
        auto batch = std::move(batches_.front());
        batches_.pop_front();
        room_.notify_one();
        return batch;
    }
    void finish() {
        std::lock_guard<std::mutex> hold(lock_);
        finished_ = true;
        ready_.notify_all();
    }
    // The builder failed: the reader's pushes return at once from now on.
    void abandon() {
        std::lock_guard<std::mutex> hold(lock_);
        abandoned_ = true;
        room_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable ready_, room_;
    std::deque<std::unique_ptr<record_batch_c>> batches_;
    bool finished_ = false, abandoned_ = false;
};

class batching_sink_c final : public catalog_record_sink_c {
public:
    explicit batching_sink_c(batch_queue_c& queue) : queue_(queue) {}
    void expect(std::size_t packages, std::size_t entries) override { room(0).records.push_back(expectation_c{packages, entries}); }
    void add_package(const package_fields_c& p) override {
        record_batch_c& batch = room(p.file_name.size() + p.title.size() + p.official_link.size() + p.md5.size() + p.sha256.size());
        batch.records.push_back(package_fields_c{batch.keep(p.file_name), batch.keep(p.title), batch.keep(p.official_link),
                                                 batch.keep(p.md5), p.size, p.sign, batch.keep(p.sha256), p.testing});
    }
    void add_inf(const inf_fields_c& f) override {
        record_batch_c& batch = room(f.inf_path.size() + f.provider.size() + f.class_guid.size() + f.driver_date.size() +
                                     f.driver_version.size() + f.signature.size());
        batch.records.push_back(inf_fields_c{{batch.keep(f.inf_path), batch.keep(f.provider), batch.keep(f.class_guid),
                                              batch.keep(f.driver_date), batch.keep(f.driver_version)},
                                             batch.keep(f.signature)});
    }
    void add_models_line(const models_line_fields_c& l) override {
        record_batch_c& batch = room(l.decorations.size());
        batch.records.push_back(models_line_fields_c{l.inf_index, batch.keep(l.decorations)});
    }
    void add_entry(const entry_fields_c& e) override {
        record_batch_c& batch = room(e.device_id.size() + e.architecture.size() + e.description.size() + e.manufacturer.size() +
                                     e.decoration.size());
        entry_fields_c copy = e;
        copy.device_id = batch.keep(e.device_id);
        copy.architecture = batch.keep(e.architecture);
        copy.description = batch.keep(e.description);
        copy.manufacturer = batch.keep(e.manufacturer);
        copy.decoration = batch.keep(e.decoration);
        batch.records.push_back(copy);
    }
    void flush() {
        if (batch_ && !batch_->records.empty()) queue_.push(std::move(batch_));
        batch_.reset();
    }

private:
    record_batch_c& room(std::size_t bytes) {
        if (batch_ && !batch_->has_room(bytes)) flush();
        if (!batch_) batch_ = std::make_unique<record_batch_c>();
        if (bytes > batch_->texts.capacity()) batch_->texts.reserve(bytes);  // one huge record: a batch of its own
        return *batch_;
    }
    batch_queue_c& queue_;
    std::unique_ptr<record_batch_c> batch_;
};

struct look_ahead_c {
    catalog_record_sink_c& build;
    void operator()(const expectation_c&) const {}
    void operator()(const package_fields_c& p) const { build.look_ahead(p); }
    void operator()(const inf_fields_c& f) const { build.look_ahead(f); }
    void operator()(const models_line_fields_c&) const {}
    void operator()(const entry_fields_c& e) const { build.look_ahead(e); }
};

struct apply_c {
    catalog_record_sink_c& build;
    void operator()(const expectation_c& e) const { build.expect(e.packages, e.entries); }
    void operator()(const package_fields_c& p) const { build.add_package(p); }
    void operator()(const inf_fields_c& f) const { build.add_inf(f); }
    void operator()(const models_line_fields_c& l) const { build.add_models_line(l); }
    void operator()(const entry_fields_c& e) const { build.add_entry(e); }
};

}  // namespace

bool read_while_building(const std::function<bool(catalog_record_sink_c&)>& read, catalog_record_sink_c& build) {
    batch_queue_c queue;
    bool read_well = false;
    std::exception_ptr read_failure;
    std::thread reader([&] {
        try {
            batching_sink_c sink(queue);
            read_well = read(sink);
            sink.flush();
        } catch (...) {
            read_failure = std::current_exception();
        }
        queue.finish();
    });
    try {
        // The builder is told of each record some places ahead, so that what it will look up
        // is on its way from memory by then.
        constexpr std::size_t ahead = 16;
        while (auto batch = queue.pop()) {
            const std::vector<record_c>& records = batch->records;
            for (std::size_t r = 0; r < records.size(); ++r) {
                if (r + ahead < records.size()) std::visit(look_ahead_c{build}, records[r + ahead]);
                std::visit(apply_c{build}, records[r]);
            }
        }
    } catch (...) {
        queue.abandon();
        reader.join();
        throw;
    }
    reader.join();
    if (read_failure) std::rethrow_exception(read_failure);
    return read_well;
}
