#include "backup/zip_writer.h"

#include "backup/zip_writer_platform.h"
#include "common/file_open.h"

#include <minizip/zip.h>

#include <vector>

namespace {

// General purpose flag bit 11: the entry's name is UTF-8.
constexpr uLong utf8_names_flag = 0x800;

constexpr std::size_t write_block_size = 64 * 1024;
zipFile zip_handle(void* archive) { return static_cast<zipFile>(archive); }

}  // namespace

// The platform's file functions, with a close that first reads the whole file back through the
// same handle into the digest.
struct archive_hashing_c {
    zlib_filefunc64_def functions{};
    close_file_func close = nullptr;
    std::optional<sha256_digest_c> digest;

    static int ZCALLBACK close_after_hashing(voidpf opaque, voidpf stream) {
        archive_hashing_c& hashing = *static_cast<archive_hashing_c*>(opaque);
        const zlib_filefunc64_def& io = hashing.functions;
        hashing.digest.reset();
        if (io.zseek64_file(opaque, stream, 0, ZLIB_FILEFUNC_SEEK_SET) == 0) {
            sha256_c hash;
            std::vector<char> block(write_block_size);
            uLong read;
            while ((read = io.zread_file(opaque, stream, block.data(), uLong(block.size()))) > 0)
                hash.update(block.data(), read);
            if (io.zerror_file(opaque, stream) == 0) hashing.digest = hash.finish();
        }
        return hashing.close(opaque, stream);
    }
};

zip_writer_c::zip_writer_c() : hashing_(std::make_unique<archive_hashing_c>()) {}

zip_writer_c::~zip_writer_c() { close_archive(); }

bool zip_writer_c::create_archive(const std::wstring& path) {
    close_archive();
    archive_hashing_c& hashing = *hashing_;
    hashing.functions = {};
    fill_archive_functions(hashing.functions);
    hashing.close = hashing.functions.zclose_file;
    hashing.functions.zclose_file = &archive_hashing_c::close_after_hashing;
    hashing.functions.opaque = &hashing;
    hashing.digest.reset();
    archive_ = create_zip_archive(path, hashing.functions);
    error = archive_ ? 0 : -1;
    return archive_ != nullptr;
}

const std::optional<sha256_digest_c>& zip_writer_c::written_digest() const { return hashing_->digest; }

bool zip_writer_c::add_file(const std::wstring& source, const std::string& name) {
    if (!archive_) return failed();
    std::size_t start = 0;
    while (start < name.size() && (name[start] == '\\' || name[start] == '/')) ++start;
    const std::uint64_t size = file_size(source).value_or(0);
    std::FILE* file = open_file(source, "rb");
    if (!file) return failed();

    zip_fileinfo info{};
    info.dosDate = dos_time_of_file(source);
    const int large = size >= 0xFFFFFFFFull ? 1 : 0;
    error = zipOpenNewFileInZip4_64(zip_handle(archive_), name.c_str() + start, &info, nullptr, 0, nullptr, 0, nullptr,
                                    level != 0 ? Z_DEFLATED : 0, level, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                    Z_DEFAULT_STRATEGY, nullptr, 0, 0, utf8_names_flag, large);
    if (error != ZIP_OK) {
        std::fclose(file);
        return failed();
    }
    std::vector<char> buffer(write_block_size);
    std::size_t n;
    while (error == ZIP_OK && (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        error = zipWriteInFileInZip(zip_handle(archive_), buffer.data(), unsigned(n));
    if (std::ferror(file)) error = -1;
    std::fclose(file);
    const int closed = zipCloseFileInZip(zip_handle(archive_));
    if (error == ZIP_OK) error = closed;
    return error == ZIP_OK || failed();
}

bool zip_writer_c::close_archive() {
    if (!archive_) return true;
    const int result = zipClose(zip_handle(archive_), nullptr);
    archive_ = nullptr;
    return result == ZIP_OK;
}

bool zip_writer_c::failed() {
    error = -1;
    return false;
}
