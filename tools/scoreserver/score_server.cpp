// ScoreServer: request validation and bounds, uploads into the store, the best-100 list.
#include "tools/scoreserver/score_server.h"

#include <sys/socket.h>

#include "tools/scoreserver/score_rules.h"

namespace {

constexpr size_t kMaxTargetLength = 512;  // an upload from the game needs under 200 bytes
constexpr size_t kMaxBody = 0;            // the script takes GET only
constexpr int kWorkerThreads = 16;
constexpr int kListenBacklog = 128;
constexpr time_t kReadTimeoutSeconds = 5;
constexpr time_t kWriteTimeoutSeconds = 5;
constexpr time_t kKeepAliveSeconds = 2;
constexpr size_t kKeepAliveRequests = 1000;

constexpr int kBadRequest = 400;
constexpr int kUriTooLong = 414;
constexpr int kUnavailable = 503;

void answer(httplib::Response& response, int status, const std::string& body) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body, "text/plain; charset=utf-8");
}

}  // namespace

ScoreServer::ScoreServer(ScoreStore& scoreStore) : store(scoreStore) {
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // Headers and body leave in separate writes: without this, a kept-alive connection waits
    // for the client's delayed acknowledgement between them.
    server.set_tcp_nodelay(true);
    // Only SO_REUSEADDR: the library's default also sets SO_REUSEPORT, which would let a second
    // server bind the same port and take half of the uploads into another database.
    server.set_socket_options([this](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket = socket;
    });
    server.set_payload_max_length(kMaxBody);
    server.set_read_timeout(kReadTimeoutSeconds);
    server.set_write_timeout(kWriteTimeoutSeconds);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    server.set_keep_alive_max_count(kKeepAliveRequests);
    server.set_pre_routing_handler(
        [](const httplib::Request& request, httplib::Response& response) {
            if (request.target.size() <= kMaxTargetLength)
                return httplib::Server::HandlerResponse::Unhandled;
            answer(response, kUriTooLong, "request too long\n");
            return httplib::Server::HandlerResponse::Handled;
        });
    server.Get(kScriptPath, [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    });
}

int ScoreServer::bind(const std::string& host, int port) {
    const int bound =
        port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    // The library listens with a backlog of 5, so a burst of new connections would wait for a
    // retransmitted SYN (a whole second); listening again only raises the backlog.
    if (bound >= 0 && listenSocket >= 0) ::listen(listenSocket, kListenBacklog);
    return bound;
}

bool ScoreServer::run() {
    return server.listen_after_bind();
}

void ScoreServer::stop() {
    server.stop();
}

void ScoreServer::handle(const httplib::Request& request, httplib::Response& response) {
    const ScoreRequest decided =
        decideScoreRequest(request.target.find('?') != std::string::npos, request.params);
    if (decided.kind == ScoreRequest::Kind::List) {
        answer(response, 200, listText());
        return;
    }
    if (decided.kind == ScoreRequest::Kind::Refused) {
        answer(response, kBadRequest, decided.reason + "\n");
        return;
    }
    if (!store.record(decided.name, decided.score, decided.uploadId)) {
        answer(response, kUnavailable, "not recorded\n");
        return;
    }
    answer(response, 200, "recorded\n");
}

// Read from the store on every request: another server process may share its database.
std::string ScoreServer::listText() {
    return formatList(store.best(kListLength));
}
