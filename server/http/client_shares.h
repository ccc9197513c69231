// Fair shares of what the server's connections hold together. Each client address may hold at
// most a share of the request budget (bodies being received) and a share of the answer queue
// (scans queued or being answered), so that one address sending many slow uploads or many costly
// scans cannot starve the others. Behind a load balancer every client comes from the balancer's
// address; the client's own is then taken from X-Forwarded-For, but only from a trusted proxy.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class client_shares_c {
public:
    client_shares_c(std::size_t bytes_per_client, std::size_t answers_per_client)
        : bytes_per_client_(bytes_per_client), answers_per_client_(answers_per_client) {}

    // False when the client would hold more than its share of the budget; nothing is taken then.
    bool take_bytes(const std::string& client, std::size_t bytes);
    void give_back_bytes(const std::string& client, std::size_t bytes);
    // False when the client already has its share of scans queued or being answered.
    bool take_answer(const std::string& client);
    void give_back_answer(const std::string& client);
    std::size_t clients_holding() const;

private:
    struct held_c {
        std::size_t bytes = 0, answers = 0;
    };
    void forget_if_empty(std::unordered_map<std::string, held_c>::iterator at);

    std::size_t bytes_per_client_, answers_per_client_;
    mutable std::mutex lock_;
    std::unordered_map<std::string, held_c> held_;
};

// The client a request is from: the peer, or, when the peer is one of the trusted proxies, the
// last well-formed IPv4 address of its X-Forwarded-For header (the one that proxy added).
std::string client_address(const std::string& peer, std::string_view forwarded_for,
                           const std::vector<std::string>& trusted_proxies);
