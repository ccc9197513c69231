// GET /release: the program's newest release, as the updater reads it (service/release_answer.h).
#include "server/http/server_connection.h"

#include "common/hex_text.h"

#include <string>
#include <string_view>

namespace server_http {

namespace {

// A file name as one path component of a link: bytes other than unreserved ones escaped.
std::string url_component(std::string_view name) {
    std::string out;
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' ||
            c == '~')
            out += char(c);
        else
            append_percent_escaped(out, c);
    }
    return out;
}

std::string xml_text(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            default: out += c;
        }
    }
    return out;
}

void element(std::string& out, const char* name, std::string_view text) {
    out += "<";
    out += name;
    out += ">";
    out += xml_text(text);
    out += "</";
    out += name;
    out += ">\n";
}

}  // namespace

std::string release_document(const catalog_release_c& release, const std::string& package_base_url) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<release>\n";
    element(out, "version", release.version);
    element(out, "link", package_base_url + url_component(release.file_name));
    element(out, "size", std::to_string(release.size));
    element(out, "sha256", release.sha256);
    element(out, "sig", release.signature);
    out += "</release>\n";
    return out;
}

MHD_Result serve_release(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    const std::shared_ptr<const catalog_release_c> release = state.current().release;
    if (!release) return send_text(connection, context, MHD_HTTP_NOT_FOUND, "no release\n");
    return send_text(connection, context, MHD_HTTP_OK, release_document(*release, state.answer.package_base_url),
                     "text/xml; charset=utf-8");
}

}  // namespace server_http
