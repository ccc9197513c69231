// Scan requests on the connection side: handed to an answer thread, the connection suspended
// until the answer is there, the answer sent without a copy and counted in the budget until sent.
#include "server/http/server_connection.h"

namespace server_http {

namespace {

// An answer handed to the library, which frees it once sent; its bytes stay in the budget till then.
struct held_answer_c {
    update_server_c::state_c* state;
    std::string body;
};

void release_answer(void* cls) {
    auto* answer = static_cast<held_answer_c*>(cls);
    answer->state->buffered.fetch_sub(answer->body.size());
    delete answer;
}

// Runs on an answer thread while the connection is suspended; resumes it with the reply.
void compute_answer(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context,
                    std::shared_ptr<const catalog_index_c> catalog, const std::string& content_type) {
    auto started = clock_type::now();
    scan_reply_c reply;
    try {
        const std::shared_ptr<const report_verdicts_c> verdicts = state.verdicts_now();
        reply = answer_scan_request(content_type, context.body, *catalog, state.answer, state.settings.request,
                                    state.settings.answer_bytes, verdicts.get());
    } catch (...) {
        reply = scan_reply_c{500, "the server could not answer this request\n"};
    }
    state.metrics.observe_answer(std::chrono::duration<double>(clock_type::now() - started).count());
    // The answer's bytes are held until it is sent.
    if (!state.reserve(reply.body.size())) {
        reply = scan_reply_c{503, "server busy, try again later\n"};
        state.buffered.fetch_add(reply.body.size());  // a few bytes, given back like any answer
    }
    deliver_reply(state, connection, context, std::move(reply));
}

}  // namespace

void release_body(update_server_c::state_c& state, request_context_c& context) {
    state.buffered.fetch_sub(context.reserved);
    state.shares->give_back_bytes(context.client, context.reserved);
    context.reserved = 0;
}

bool reserve_body(update_server_c::state_c& state, request_context_c& context, std::size_t bytes) {
    if (!state.shares->take_bytes(context.client, bytes)) return false;
    if (!state.reserve(bytes)) {
        state.shares->give_back_bytes(context.client, bytes);
        return false;
    }
    context.reserved += bytes;
    return true;
}

// The computed reply, without a copy: its bytes were counted in the budget when it was made.
MHD_Result send_reply(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    scan_reply_c& reply = *context.reply;
    auto* held = new held_answer_c{&state, std::move(reply.body)};
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(held->body.size(), held->body.data(),
                                                                                    &release_answer, held);
    if (!response) {
        release_answer(held);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.content_type.c_str());
    return send(connection, context, reply.status, response, held->body.size());
}

MHD_Result answer_scan(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    if (context.busy) return send_text(connection, context, MHD_HTTP_SERVICE_UNAVAILABLE, "server busy, try again later\n");
    if (context.too_large) return send_text(connection, context, MHD_HTTP_CONTENT_TOO_LARGE, "request body too large\n");
    const char* type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    std::shared_ptr<const catalog_index_c> catalog = state.current().index;
    return submit_answer(state, connection, context, "too many scans from this address at once, try again later\n",
                         [&state, connection, &context, catalog, content_type = std::string(type ? type : "")] {
                             compute_answer(state, connection, context, catalog, content_type);
                         });
}

MHD_Result submit_answer(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context,
                         const char* refusal, std::function<void()> job) {
    // One address may have only its share of the requests queued or being answered.
    if (!state.shares->take_answer(context.client))
        return send_text(connection, context, MHD_HTTP_SERVICE_UNAVAILABLE, refusal);
    // Suspended before the job can resume it; a job that cannot be queued resumes it here.
    context.submitted = true;
    MHD_suspend_connection(connection);
    if (!state.answers->submit(std::move(job), context.client)) {
        state.shares->give_back_answer(context.client);
        context.reply = scan_reply_c{503, "server busy, try again later\n"};
        state.buffered.fetch_add(context.reply->body.size());
        MHD_resume_connection(connection);
    }
    return MHD_YES;
}

void deliver_reply(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context,
                   scan_reply_c reply) {
    // The request's bytes are no longer needed.
    release_body(state, context);
    std::string().swap(context.body);
    state.shares->give_back_answer(context.client);
    context.reply = std::move(reply);
    MHD_resume_connection(connection);
}

}  // namespace server_http
