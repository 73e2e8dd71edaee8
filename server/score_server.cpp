// ScoreServer on libmicrohttpd: a few threads each polling many sockets, per-connection memory
// pools, connection caps and an idle timeout from the library; a whole-request deadline, strict
// target parsing and the check that the client is still there from here.
#include "server/score_server.h"

#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "record/level_set.h"
#include "server/http_status.h"
#include "server/request_head.h"
#include "server/request_target.h"
#include "server/score_rules.h"

namespace {

// Connections the kernel completes before the server takes them. Many clients connecting at
// once (a thousand reconnecting together when their requests time out) overflow a short queue,
// and the kernel then drops the handshakes of everyone else too, who try again only after a
// second: the longest queue the system allows (net.core.somaxconn) takes such a burst.
constexpr int kListenBacklog = SOMAXCONN;
constexpr auto kDeadlineCheck = std::chrono::milliseconds(100);
constexpr auto kResumeStep = std::chrono::milliseconds(5);

using Headers = std::vector<std::pair<const char*, std::string>>;

// Queues the response with its headers; MHD_NO when it could not be made or queued.
MHD_Result queue(MHD_Connection* connection, unsigned status, MHD_Response* response,
                 const Headers& headers) {
    if (response == nullptr) return MHD_NO;
    for (const auto& [name, value] : headers)
        MHD_add_response_header(response, name, value.c_str());
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

// The status answered, or -1 when nothing could be queued (the connection is then dropped).
int sent(MHD_Result queued, unsigned status) {
    return queued == MHD_YES ? static_cast<int>(status) : -1;
}

// A short plain-text answer that is never cached, with any `extra` headers.
int sendText(MHD_Connection* connection, unsigned status, const std::string& body,
             const Headers& extra = {}) {
    Headers headers{{"Cache-Control", "no-store"}, {"Content-Type", "text/plain; charset=utf-8"}};
    headers.insert(headers.end(), extra.begin(), extra.end());
    return sent(queue(connection, status,
                      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_MUST_COPY),
                      headers),
                status);
}

// An answer of the score service: short texts (the list reply among them) never cached like
// sendText's; the leaderboard page and JSON revalidated, and a page that may load nothing but
// its own inline style; each with the service's own headers. The body is shared with the
// service's cache, not copied.
int sendServiceAnswer(MHD_Connection* connection, const ServiceAnswer& answer) {
    const bool text = answer.kind == ServiceAnswer::Kind::Text;
    Headers headers{
        {"Content-Type", text                                        ? "text/plain; charset=utf-8"
                         : answer.kind == ServiceAnswer::Kind::Html  ? "text/html; charset=utf-8"
                         : answer.kind == ServiceAnswer::Kind::Bytes ? "application/octet-stream"
                                                                     : "application/json"}};
    if (text) {
        headers.emplace_back("Cache-Control", "no-store");
    } else {
        headers.emplace_back("Cache-Control", "no-cache");
        headers.emplace_back("Content-Security-Policy",
                             "default-src 'none'; img-src 'self'; style-src 'unsafe-inline'");
        headers.emplace_back("X-Content-Type-Options", "nosniff");
    }
    for (const auto& header : answer.headers) headers.push_back(header);
    auto* kept = new std::shared_ptr<const std::string>(answer.body);
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
        (*kept)->size(), const_cast<char*>((*kept)->data()),
        [](void* body) { delete static_cast<std::shared_ptr<const std::string>*>(body); }, kept);
    if (response == nullptr) delete kept;
    return sent(queue(connection, answer.status, response, headers), answer.status);
}

const char* headerOf(MHD_Connection* connection, const char* name) {
    return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
}

MHD_Result collectField(void* fields, MHD_ValueKind, const char* name, size_t nameSize,
                        const char* value, size_t valueSize) {
    static_cast<std::vector<HeaderField>*>(fields)->push_back(
        {{name, nameSize}, {value == nullptr ? "" : value, value == nullptr ? 0 : valueSize}});
    return MHD_YES;
}

ClientAddress peerOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    return clientAddressOf(info == nullptr ? nullptr : info->client_addr).value_or(ClientAddress{});
}

int socketOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info == nullptr ? -1 : info->connect_fd;
}

// True when the client has reset its connection: a request it no longer waits for is not carried
// out. A plain end of its sending (a half-close) still waits for the answer to what it sent.
bool clientGone(MHD_Connection* connection) {
    const int fd = socketOf(connection);
    char byte = 0;
    return fd < 0 || (::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && errno != EAGAIN &&
                      errno != EWOULDBLOCK && errno != EINTR);
}

}  // namespace

// An answer the score service gives from another thread while the connection is suspended.
struct PendingAnswer {
    std::mutex mutex;
    std::optional<ServiceAnswer> answer;
    bool suspended = false;  // the connection waits for the answer
};

// One request as the library goes through it.
struct RequestState {
    std::string target;        // as it came on the request line, cut after one byte too many
    bool targetClean = true;   // the whole target held no space or control character
    size_t targetBytes = 0;    // of the whole target
    bool headChecked = false;  // the head was judged when the library first called
    bool headersRead = false;  // the library has called once with the headers
    std::shared_ptr<PendingAnswer> pending;  // while the score service works on the answer
    bool posting = false;       // a record POSTed to the proof path, gathered in `body`
    bool publishing = false;    // a level set POSTed to the sets' path, gathered in `body`
    bool bodyTooLarge = false;  // its bytes went past the limit (and were dropped)
    ProofKeeper::Taken room = ProofKeeper::Taken::Yes;  // else its bytes were dropped
    size_t countedBytes = 0;  // of the body, counted in the keeper until the request ends
    std::string body;
    std::string client;    // the client it is from, as the per-client limits count it
    bool counted = false;  // a forwarded request counted in `clients` until it ends
};

struct ScoreServer::Hooks {
    static void* keepTarget(void* self, const char* uri, MHD_Connection*) {
        const size_t keep = static_cast<ScoreServer*>(self)->limits.maxTarget + 1;
        auto* request = new RequestState;
        request->target.assign(uri, ::strnlen(uri, keep));
        request->targetClean = cleanRequestTarget(uri);
        request->targetBytes = std::strlen(uri);
        return request;
    }

    // The head as the library received it: a framing two readers could take differently is
    // refused with the connection closed, and the client is found and counted. 0 when the
    // request goes on, else the status sent (-1: nothing could be).
    static int admit(ScoreServer* server, MHD_Connection* connection, const char* method,
                     const char* version, RequestState& request) {
        RequestHead head{method, request.targetBytes, request.targetClean, version, {}, 0};
        MHD_get_connection_values_n(connection, MHD_HEADER_KIND, &collectField, &head.fields);
        const MHD_ConnectionInfo* size =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
        if (size != nullptr) head.receivedBytes = size->header_size;
        const HeadVerdict verdict = judgeRequestHead(head);
        if (verdict.status != 0)
            return sendText(connection, verdict.status, std::string(verdict.reason) + "\n",
                            {{"Connection", "close"}});
        const ClientAddress peer = peerOf(connection);
        const TrustedProxies& proxies = server->limits.trustedProxies;
        request.client = clientKey(requestClient(peer, proxies, head.fields));
        if (!proxies.contains(peer)) return 0;  // counted by its connections
        if (!server->clients.enter(request.client))
            return sendText(connection, kTooManyRequests, "too many requests at once\n",
                            {{"Connection", "close"}, {"Retry-After", "1"}});
        request.counted = true;
        return 0;
    }

    // Called once with the headers, then for each piece of a body, then once more at its end.
    // A GET or HEAD is answered at the end, which keeps the connection open for the client's
    // next request; anything else at once, which closes it without reading what it sends.
    static MHD_Result access(void* self, MHD_Connection* connection, const char*,
                             const char* method, const char* version, const char* uploadData,
                             size_t* uploadSize, void** requestState) {
        auto* server = static_cast<ScoreServer*>(self);
        auto* request = static_cast<RequestState*>(*requestState);
        if (request != nullptr && !request->headChecked) {
            request->headChecked = true;
            const int refused = admit(server, connection, method, version, *request);
            if (refused != 0) return refused < 0 ? MHD_NO : MHD_YES;
        }
        const bool get = std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0;
        // A record comes in pieces; it is gathered up to its limit, and beyond it only read.
        const bool proof =
            request != nullptr && std::strcmp(method, "POST") == 0 && request->target == kProofPath;
        const bool set = request != nullptr && std::strcmp(method, "POST") == 0 &&
                         request->target.substr(0, request->target.find('?')) == kSetsPath;
        if (request != nullptr && !request->headersRead && (get || proof || set)) {
            request->headersRead = true;
            // A record or a level set costs the client an upload of its rate: a flood of them
            // is refused before its bodies are read.
            if (proof || set) {
                if (const unsigned wait = server->uploads.take(request->client); wait > 0) {
                    const int status =
                        sendText(connection, kTooManyRequests, "too many uploads\n",
                                 {{"Connection", "close"}, {"Retry-After", std::to_string(wait)}});
                    return status < 0 ? MHD_NO : MHD_YES;
                }
            }
            request->posting = proof;
            request->publishing = set;
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            if (request != nullptr && request->posting)
                server->gather(*request, uploadData, *uploadSize);
            // A set's bytes up to one past a level file's size: more is only read.
            if (request != nullptr && request->publishing && !request->bodyTooLarge) {
                const size_t room = level_set::kFileBytes + 1 - request->body.size();
                request->body.append(uploadData, std::min(room, *uploadSize));
                request->bodyTooLarge = request->body.size() > level_set::kFileBytes;
            }
            *uploadSize = 0;  // an unwanted body, read while the request deadline runs
            return MHD_YES;
        }
        if (request != nullptr && request->publishing && !request->pending) {
            request->publishing = false;
            server->track(connection, Clock::time_point::max());
            const int status = server->answerSetPost(connection, *request);
            return status < 0 ? MHD_NO : MHD_YES;
        }
        if (request != nullptr && request->posting && !request->pending) {
            request->posting = false;
            server->track(connection, Clock::time_point::max());
            const int status = server->answerProofPost(connection, *request);
            return status < 0 ? MHD_NO : MHD_YES;
        }
        if (request != nullptr && request->pending) {  // resumed with the service's answer
            std::optional<ServiceAnswer> answer;
            {
                std::lock_guard lock(request->pending->mutex);
                answer.swap(request->pending->answer);
            }
            request->pending.reset();
            return answer && sendServiceAnswer(connection, *answer) >= 0 ? MHD_YES : MHD_NO;
        }
        server->track(connection, Clock::time_point::max());  // answered: no deadline now
        std::shared_ptr<PendingAnswer> unused;
        const int status = request == nullptr
                               ? sendText(connection, kBadRequest, "malformed request\n")
                               : server->answerRequest(connection, request->target, method,
                                                       request->client, request->pending);
        return status < 0 ? MHD_NO : MHD_YES;
    }

    static void completed(void* self, MHD_Connection* connection, void** requestState,
                          MHD_RequestTerminationCode) {
        auto* server = static_cast<ScoreServer*>(self);
        auto* request = static_cast<RequestState*>(*requestState);
        if (request != nullptr && request->counted) server->clients.leave(request->client);
        if (request != nullptr && request->countedBytes > 0)
            server->proofKeeper->give(request->client, request->countedBytes);
        delete request;
        *requestState = nullptr;
        server->track(connection,
                      Clock::now() + std::chrono::seconds(server->limits.requestSeconds));
    }

    static void connection(void* self, MHD_Connection* connection, void**,
                           MHD_ConnectionNotificationCode code) {
        auto* server = static_cast<ScoreServer*>(self);
        std::lock_guard lock(server->trackedMutex);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            Tracked& state = server->tracked[connection];
            state.fd = socketOf(connection);
            state.deadline = Clock::now() + std::chrono::seconds(server->limits.requestSeconds);
            // A trusted proxy carries many clients on its connections: those are counted by
            // the requests it forwards. Anyone else past the cap is shut out at once.
            const ClientAddress peer = peerOf(connection);
            if (server->limits.trustedProxies.contains(peer)) return;
            if (server->clients.enter(clientKey(peer)))
                state.client = clientKey(peer);
            else if (state.fd >= 0)
                ::shutdown(state.fd, SHUT_RDWR);
        } else {
            const auto found = server->tracked.find(connection);
            if (found == server->tracked.end()) return;
            if (!found->second.client.empty()) server->clients.leave(found->second.client);
            server->tracked.erase(found);  // before the library closes the socket
        }
    }
};

ScoreServer::ScoreServer(ScoreStore& scoreStore, const ServerLimits& serverLimits,
                         const WebFiles* webFiles, const StoreLimits& storeLimits)
    : limits(serverLimits),
      web(webFiles),
      service(std::make_unique<ScoreService>(scoreStore, storeLimits, serverLimits.proofs)),
      proofKeeper(std::make_unique<ProofKeeper>(serverLimits.proofs)),
      clients(serverLimits.maxPerAddress),
      uploads(serverLimits.uploadsPerSecond, serverLimits.uploadBurst) {}

ScoreServer::~ScoreServer() {
    if (listenSocket >= 0) ::close(listenSocket);
}

int ScoreServer::bind(const std::string& host, int port) {
    if (listenSocket >= 0) return -1;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
    int bound = -1;
    for (addrinfo* a = found; a != nullptr && bound < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        // Only SO_REUSEADDR: SO_REUSEPORT would let a second server bind the same port and take
        // half of the uploads into another database.
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_storage local{};
        socklen_t length = sizeof local;
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, kListenBacklog) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            listenSocket = fd;
            bound = ntohs(local.ss_family == AF_INET6
                              ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                              : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
        } else {
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    return bound;
}

bool ScoreServer::run() {
    if (listenSocket < 0) return false;
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC | MHD_ALLOW_SUSPEND_RESUME, 0,
        nullptr, nullptr, &Hooks::access, this, MHD_OPTION_LISTEN_SOCKET,
        static_cast<MHD_socket>(listenSocket), MHD_OPTION_THREAD_POOL_SIZE, limits.threads,
        MHD_OPTION_CONNECTION_LIMIT, limits.maxConnections, MHD_OPTION_CONNECTION_TIMEOUT,
        limits.idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.maxHeaderBytes,
        MHD_OPTION_URI_LOG_CALLBACK, &Hooks::keepTarget, this, MHD_OPTION_NOTIFY_COMPLETED,
        &Hooks::completed, this, MHD_OPTION_NOTIFY_CONNECTION, &Hooks::connection, this,
        MHD_OPTION_END);
    if (daemon == nullptr) return false;
    serving = true;
    {
        std::unique_lock lock(stopMutex);
        while (!stopRequested) {
            stopWake.wait_for(lock, kDeadlineCheck);
            lock.unlock();
            expireLateRequests();
            lock.lock();
        }
    }
    // Every connection waiting for the store is answered (503) and resumed first: the library
    // must hold no suspended connection when it stops. Only an upload whose commit was already
    // sent is waited for, and that wait is bounded in the store.
    service->stop();
    while (suspended > 0) std::this_thread::sleep_for(kResumeStep);
    // The listening socket stays ours: taken back before the library closes what it holds.
    MHD_quiesce_daemon(daemon);
    MHD_stop_daemon(daemon);
    serving = false;
    return true;
}

void ScoreServer::stop() {
    std::lock_guard lock(stopMutex);
    stopRequested = true;
    stopWake.notify_all();
}

void ScoreServer::track(MHD_Connection* connection, Clock::time_point deadline) {
    std::lock_guard lock(trackedMutex);
    auto it = tracked.find(connection);
    if (it != tracked.end()) it->second.deadline = deadline;
}

// A request not received whole in time has its socket shut down; the library then closes it.
void ScoreServer::expireLateRequests() {
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(trackedMutex);
    for (auto& [connection, state] : tracked) {
        if (state.deadline > now) continue;
        if (state.fd >= 0) ::shutdown(state.fd, SHUT_RDWR);
        state.deadline = Clock::time_point::max();
    }
}

// The status sent, or -1 when the connection is dropped without an answer.
int ScoreServer::answerRequest(MHD_Connection* connection, const std::string& target,
                               const std::string& method, const std::string& client,
                               std::shared_ptr<PendingAnswer>& pending) {
    if (target.size() > limits.maxTarget)
        return sendText(connection, kUriTooLong, "request too long\n");
    if (MHD_get_connection_values(connection, MHD_HEADER_KIND, nullptr, nullptr) >
        static_cast<int>(limits.maxHeaders))
        return sendText(connection, kTooManyHeaders, "too many header lines\n");
    std::string path;
    if (!percentDecode(std::string_view(target).substr(0, target.find('?')), false, path))
        return sendText(connection, kBadRequest, "malformed request target\n");
    if (path == kScriptPath) return answerScript(connection, target, method, client, pending);
    if (path == kProofPath)  // a POST is taken before: anything else is the wrong method
        return sendText(connection, kBadMethod, "POST only\n", {{"Allow", "POST"}});

    if (method != "GET" && method != "HEAD")
        return sendText(connection, kBadMethod, "GET and HEAD only\n", {{"Allow", "GET, HEAD"}});
    if (const int sets = answerSets(connection, path, pending); sets != -2) return sets;
    if (path == kPagePath || path == kJsonPath) {
        // ?sessions=1: games played in one sitting only; ?pace=any: games played at every pace;
        // any other query lists every game played at full pace.
        const std::optional<RequestTarget> parsed = parseRequestTarget(target);
        const auto only = [&parsed](const char* name, const char* value) {
            return parsed && parsed->params.size() == 1 && parsed->params.begin()->first == name &&
                   parsed->params.begin()->second == value;
        };
        // ?set=ID: the board of that level set.
        if (parsed && parsed->params.size() == 1 && parsed->params.begin()->first == "set") {
            const std::string set = parsed->params.begin()->second;
            if (!validProofId(set)) return sendText(connection, kNotFound, "no such level set\n");
            const ServiceAnswer::Kind form =
                path == kPagePath ? ServiceAnswer::Kind::Html : ServiceAnswer::Kind::Json;
            return answerFromService(connection, pending,
                                     [this, form, &set](auto& now, auto later) {
                                         return service->setBoard(form, set, now, std::move(later));
                                     });
        }
        return answerList(connection, pending,
                          path == kPagePath ? ServiceAnswer::Kind::Html : ServiceAnswer::Kind::Json,
                          only("sessions", "1"), only("pace", "any"));
    }
    if (path == kHealthPath) return sendServiceAnswer(connection, service->health());
    if (path.rfind(kReplayPrefix, 0) == 0) {
        const std::string id = path.substr(std::strlen(kReplayPrefix));
        if (!validProofId(id)) return sendText(connection, kNotFound, "no such replay\n");
        return answerFromService(connection, pending, [this, &id](auto& now, auto later) {
            return service->replay(id, now, std::move(later));
        });
    }
    return answerWebFile(connection, path);
}

int ScoreServer::answerScript(MHD_Connection* connection, const std::string& target,
                              const std::string& method, const std::string& client,
                              std::shared_ptr<PendingAnswer>& pending) {
    const std::optional<RequestTarget> parsed = parseRequestTarget(target);
    if (!parsed) return sendText(connection, kBadRequest, "malformed request target\n");
    const bool head = method == "HEAD";
    if (method != "GET" && !head)
        return sendText(connection, kBadMethod, "GET and HEAD only\n", {{"Allow", "GET, HEAD"}});

    const ScoreRequest decided = decideScoreRequest(parsed->hasQuery, parsed->params);
    if (decided.kind == ScoreRequest::Kind::List && !decided.set.empty())
        return answerFromService(connection, pending, [this, &decided](auto& now, auto later) {
            return service->setBoard(ServiceAnswer::Kind::Text, decided.set, now, std::move(later));
        });
    if (decided.kind == ScoreRequest::Kind::List)
        return answerList(connection, pending, ServiceAnswer::Kind::Text, false);
    if (decided.kind == ScoreRequest::Kind::Refused)
        return sendText(connection, kBadRequest, decided.reason + "\n");
    // HEAD asks what a GET would answer without doing it: an upload is never recorded by one.
    if (head) return sendText(connection, kBadMethod, "uploads by GET only\n", {{"Allow", "GET"}});
    if (const unsigned wait = uploads.take(client); wait > 0)
        return sendText(connection, kTooManyRequests, "too many uploads\n",
                        {{"Retry-After", std::to_string(wait)}});
    if (clientGone(connection)) return -1;
    // The record an upload names was POSTed before it, to this server or another.
    return answerFromService(connection, pending, [this, &decided, &client](auto& now, auto later) {
        return service->upload(decided, client, now, std::move(later));
    });
}

// A piece of a record: gathered up to the record limit and within the bytes its client and
// everyone may have arriving; beyond either the body is only read, its bytes dropped.
void ScoreServer::gather(RequestState& request, const char* data, size_t size) {
    if (request.bodyTooLarge || request.room != ProofKeeper::Taken::Yes) return;
    if (request.body.size() + size > limits.proofs.recordBytes()) {
        request.bodyTooLarge = true;
    } else {
        request.room = proofKeeper->take(request.client, size);
        if (request.room == ProofKeeper::Taken::Yes) {
            request.countedBytes += size;
            request.body.append(data, size);
            return;
        }
    }
    proofKeeper->give(request.client, request.countedBytes);
    request.countedBytes = 0;
    std::string().swap(request.body);
}

// A record ahead of its upload: held in the store for a while under its id, which is the
// answer.
int ScoreServer::answerProofPost(MHD_Connection* connection, RequestState& request) {
    if (request.bodyTooLarge)
        return sendText(
            connection, kTooLarge,
            "a record of at most " + std::to_string(limits.proofs.recordBytes()) + " bytes\n");
    if (request.room == ProofKeeper::Taken::ClientFull)
        return sendText(connection, kTooManyRequests, "too many records at once\n",
                        {{"Retry-After", "1"}});
    if (request.room == ProofKeeper::Taken::AllFull)
        return sendText(connection, kUnavailable, "too many records at once\n",
                        {{"Retry-After", "1"}});
    if (request.body.empty()) return sendText(connection, kBadRequest, "an empty record\n");
    auto bytes = std::make_shared<std::string>(std::move(request.body));
    const std::string client = request.client;
    return answerFromService(connection, request.pending,
                             [this, &bytes, &client](auto& now, auto later) {
                                 return service->keepRecord(bytes, client, now, std::move(later));
                             });
}

// A level set: its name from the query, checked like a player's; its file checked by the
// service.
int ScoreServer::answerSetPost(MHD_Connection* connection, RequestState& request) {
    const std::optional<RequestTarget> parsed = parseRequestTarget(request.target);
    if (!parsed || parsed->params.size() != 1 || parsed->params.begin()->first != "name" ||
        !validName(parsed->params.begin()->second))
        return sendText(connection, kBadRequest,
                        "a level set is published as /sets?name=NAME, a name of 1 to 8 "
                        "characters\n");
    if (request.bodyTooLarge)
        return sendText(connection, kTooLarge,
                        "a level file holds " + std::to_string(level_set::kFileBytes) + " bytes\n");
    auto file = std::make_shared<const std::string>(std::move(request.body));
    const std::string name = parsed->params.begin()->second;
    return answerFromService(connection, request.pending,
                             [this, &file, &name](auto& now, auto later) {
                                 return service->publishSet(file, name, now, std::move(later));
                             });
}

int ScoreServer::answerSets(MHD_Connection* connection, const std::string& path,
                            std::shared_ptr<PendingAnswer>& pending) {
    if (path == kSetsPath || path == kSetsJsonPath) {
        const ServiceAnswer::Kind form =
            path == kSetsPath ? ServiceAnswer::Kind::Html : ServiceAnswer::Kind::Json;
        return answerFromService(connection, pending, [this, form](auto& now, auto later) {
            return service->sets(form, now, std::move(later));
        });
    }
    if (path.rfind(kSetPrefix, 0) != 0) return -2;
    const std::string id = path.substr(std::strlen(kSetPrefix));
    if (!level_set::validId(id)) return sendText(connection, kNotFound, "no such level set\n");
    return answerFromService(connection, pending, [this, &id](auto& now, auto later) {
        return service->setFile(id, now, std::move(later));
    });
}

// The list: the current one at once, else as the service finds it.
int ScoreServer::answerList(MHD_Connection* connection, std::shared_ptr<PendingAnswer>& pending,
                            ServiceAnswer::Kind form, bool oneSitting, bool anyPace) {
    ServiceAnswer now;
    if (service->listNow(form, oneSitting, anyPace, now)) return sendServiceAnswer(connection, now);
    return answerFromService(
        connection, pending, [this, form, oneSitting, anyPace](auto& answer, auto later) {
            return service->list(form, oneSitting, anyPace, answer, std::move(later));
        });
}

// The service answers at once, or later from another thread: the connection then waits
// suspended, costing no thread, and is resumed with the answer in its request's state.
int ScoreServer::answerFromService(MHD_Connection* connection,
                                   std::shared_ptr<PendingAnswer>& pending,
                                   const ServiceCall& ask) {
    auto waiting = std::make_shared<PendingAnswer>();
    ServiceAnswer now;
    const bool answered = ask(now, [this, connection, waiting](ServiceAnswer later) {
        bool resume = false;
        {
            std::lock_guard lock(waiting->mutex);
            waiting->answer = std::move(later);
            resume = waiting->suspended;
        }
        if (resume) {
            MHD_resume_connection(connection);
            --suspended;
        }
    });
    if (answered) return sendServiceAnswer(connection, now);
    {
        std::lock_guard lock(waiting->mutex);
        if (!waiting->answer) {  // still to come: it resumes the connection
            waiting->suspended = true;
            ++suspended;
            MHD_suspend_connection(connection);
            pending = waiting;
            return 0;
        }
    }
    return sendServiceAnswer(connection, *waiting->answer);  // it came meanwhile
}

// A file of the web game: the gzip form to a client that takes it, 304 to one that holds the
// same bytes already. Every answer is revalidated, since the game's files keep their names
// from one build to the next.
int ScoreServer::answerWebFile(MHD_Connection* connection, const std::string& path) {
    if (!safeWebPath(path)) return sendText(connection, kBadRequest, "bad path\n");
    const WebFile* file = web == nullptr ? nullptr : web->find(path);
    if (file == nullptr) {
        const bool page = path == "/" || path == "/index.html" || path == "/watch.html";
        if (page && (web == nullptr || !web->installed()))
            return sendText(connection, kNotFound,
                            "The web game is not installed on this server (scoreserver --web DIR "
                            "serves it). High scores: /scores\n");
        return sendText(connection, kNotFound, "not found\n");
    }
    Headers headers{{"Cache-Control", "no-cache"},
                    {"ETag", file->etag},
                    {"Last-Modified", file->lastModified},
                    {"X-Content-Type-Options", "nosniff"}};
    if (!file->gzipped.empty()) headers.emplace_back("Vary", "Accept-Encoding");
    const char* acceptEncoding = headerOf(connection, "Accept-Encoding");
    const bool gzip =
        !file->gzipped.empty() && acceptEncoding != nullptr && acceptsGzip(acceptEncoding);
    const std::string& body = gzip ? file->gzipped : file->body;
    // The ETag decides; without one, a date equal to the file's (what a browser sends back)
    // does. The library adds "Content-Length: 0" to the 304; browsers keep their stored copy's.
    const char* ifNoneMatch = headerOf(connection, "If-None-Match");
    const char* ifModifiedSince = headerOf(connection, "If-Modified-Since");
    const bool unchanged = ifNoneMatch != nullptr ? etagMatches(ifNoneMatch, file->etag)
                                                  : ifModifiedSince != nullptr &&
                                                        file->lastModified == ifModifiedSince;
    if (unchanged)
        return sent(
            queue(connection, kNotModified,
                  MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT), headers),
            kNotModified);
    headers.emplace_back("Content-Type", file->contentType);
    if (gzip) headers.emplace_back("Content-Encoding", "gzip");
    // The bytes live as long as the server: the library sends them without a copy.
    return sent(queue(connection, kOk,
                      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_PERSISTENT),
                      headers),
                kOk);
}
