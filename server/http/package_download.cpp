// Package downloads: the catalog's archives, whole or from a byte range.
#include "server/http/byte_range.h"
#include "server/http/server_connection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace server_http {

MHD_Result serve_package(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    std::string name = context.path.substr(packages_path.size());
    std::uint32_t package = 0;
    const served_catalog_c catalog = state.current();
    // The newest release's installer is served beside the archives.
    const bool installer = catalog.release && catalog.release->file_name == name;
    if ((!installer && !catalog.index->find_package(name, package)) || name.find('/') != std::string::npos)
        return send_text(connection, context, MHD_HTTP_NOT_FOUND, "no such package\n");
    std::string file = state.settings.packages_folder + "/" + name;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat facts {};
    if (fd < 0 || ::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        if (fd >= 0) ::close(fd);
        return send_text(connection, context, MHD_HTTP_NOT_FOUND, "package file missing\n");
    }
    std::uint64_t size = std::uint64_t(facts.st_size);
    const char* header = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_RANGE);
    byte_range_c range = header ? parse_byte_range(header, size) : byte_range_c{};
    if (range.kind == byte_range_c::kind_c::unsatisfiable) {
        ::close(fd);
        MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        if (!response) return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, ("bytes */" + std::to_string(size)).c_str());
        return send(connection, context, MHD_HTTP_RANGE_NOT_SATISFIABLE, response, 0);
    }
    bool partial = range.kind == byte_range_c::kind_c::partial;
    std::uint64_t first = partial ? range.first : 0, length = partial ? range.length : size;
    // The response owns the descriptor from here on.
    MHD_Response* response = MHD_create_response_from_fd_at_offset64(length, fd, first);
    if (!response) {
        ::close(fd);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, installer ? "application/octet-stream" : "application/zip");
    MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
    if (partial) {
        std::string value = "bytes " + std::to_string(first) + "-" + std::to_string(first + length - 1) + "/" + std::to_string(size);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, value.c_str());
    }
    bool head = context.method == MHD_HTTP_METHOD_HEAD;
    return send(connection, context, partial ? MHD_HTTP_PARTIAL_CONTENT : MHD_HTTP_OK, response, head ? 0 : length);
}

}  // namespace server_http
