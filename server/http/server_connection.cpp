#include "server/http/server_connection.h"

namespace server_http {

MHD_Result send(MHD_Connection* connection, request_context_c& context, unsigned status, MHD_Response* response,
                std::uint64_t bytes) {
    if (!response) return MHD_NO;
    // While the server stops, each connection ends with its response.
    if (context.state->stopping) MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    context.status = status;
    context.bytes = bytes;
    MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result send_text(MHD_Connection* connection, request_context_c& context, unsigned status, const std::string& text,
                     const char* type) {
    MHD_Response* response = MHD_create_response_from_buffer(text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    return send(connection, context, status, response, text.size());
}

}  // namespace server_http
