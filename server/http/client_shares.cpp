#include "server/http/client_shares.h"

#include <arpa/inet.h>

#include <algorithm>

bool client_shares_c::take_bytes(const std::string& client, std::size_t bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    held_c& held = held_[client];
    if (held.bytes + bytes > bytes_per_client_) {
        forget_if_empty(held_.find(client));
        return false;
    }
    held.bytes += bytes;
    return true;
}

void client_shares_c::give_back_bytes(const std::string& client, std::size_t bytes) {
    if (bytes == 0) return;
    std::lock_guard<std::mutex> hold(lock_);
    auto at = held_.find(client);
    if (at == held_.end()) return;
    at->second.bytes -= std::min(bytes, at->second.bytes);
    forget_if_empty(at);
}

bool client_shares_c::take_answer(const std::string& client) {
    std::lock_guard<std::mutex> hold(lock_);
    held_c& held = held_[client];
    if (held.answers >= answers_per_client_) return false;
    ++held.answers;
    return true;
}

void client_shares_c::give_back_answer(const std::string& client) {
    std::lock_guard<std::mutex> hold(lock_);
    auto at = held_.find(client);
    if (at == held_.end()) return;
    if (at->second.answers) --at->second.answers;
    forget_if_empty(at);
}

std::size_t client_shares_c::clients_holding() const {
    std::lock_guard<std::mutex> hold(lock_);
    return held_.size();
}

void client_shares_c::forget_if_empty(std::unordered_map<std::string, held_c>::iterator at) {
    if (at != held_.end() && at->second.bytes == 0 && at->second.answers == 0) held_.erase(at);
}

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool is_ipv4(std::string_view text) {
    if (text.empty() || text.size() > 15) return false;
    std::string copy(text);
    in_addr address{};
    return inet_pton(AF_INET, copy.c_str(), &address) == 1;
}

}  // namespace

std::string client_address(const std::string& peer, std::string_view forwarded_for,
                           const std::vector<std::string>& trusted_proxies) {
    if (forwarded_for.empty() || std::find(trusted_proxies.begin(), trusted_proxies.end(), peer) == trusted_proxies.end())
        return peer;
    std::size_t comma = forwarded_for.rfind(',');
    std::string_view last = trimmed(comma == std::string_view::npos ? forwarded_for : forwarded_for.substr(comma + 1));
    return is_ipv4(last) ? std::string(last) : peer;
}
