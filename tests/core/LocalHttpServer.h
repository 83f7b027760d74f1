#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qv::test {

// An HTTP server on 127.0.0.1, on a port of its own, answering each request for a path with a
// scripted response and closing the connection. It runs on a thread of its own until it goes.
class LocalHttpServer
{
public:
    struct Response
    {
        std::string status = "200 OK";
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        std::chrono::milliseconds delay{0}; // before anything is sent
        bool sendLength = true;             // without it the body ends when the connection does
    };

    LocalHttpServer()
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener, 16) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("the test server cannot listen");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~LocalHttpServer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        for (std::thread& answer : m_answers)
            answer.join();
        close(m_listener);
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::string Address(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    void Set(const std::string& path, Response response)
    {
        std::lock_guard lock(m_mutex);
        m_routes[path] = std::move(response);
    }
    // A page with this media type.
    void Set(const std::string& path, const std::string& type, std::string body)
    {
        Response response;
        response.headers = {{"Content-Type", type}};
        response.body = std::move(body);
        Set(path, std::move(response));
    }
    void Redirect(const std::string& path, const std::string& to)
    {
        Response response;
        response.status = "302 Found";
        response.headers = {{"Location", to}};
        Set(path, std::move(response));
    }

    // How many requests asked for a path.
    int Requests(const std::string& path) const
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_requests.find(path);
        return found == m_requests.end() ? 0 : found->second;
    }

private:
    // Each connection is answered on a thread of its own, so a slow answer holds up no other.
    void Serve()
    {
        while (true) {
            const int connection = accept(m_listener, nullptr, nullptr);
            if (connection < 0)
                return; // shut down
            m_answers.emplace_back([this, connection] { Answer(connection); });
        }
    }

    void Answer(int connection)
    {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        Response response;
        {
            std::unique_lock lock(m_mutex);
            ++m_requests[path];
            const auto found = m_routes.find(path);
            if (found != m_routes.end())
                response = found->second;
            else
                response.status = "404 Not Found";
            if (m_wake.wait_for(lock, response.delay, [this] { return m_stopping; })) {
                close(connection);
                return;
            }
        }
        std::string reply = "HTTP/1.1 " + response.status + "\r\nConnection: close\r\n";
        for (const auto& [name, value] : response.headers)
            reply += name + ": " + value + "\r\n";
        if (response.sendLength)
            reply += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        reply += "\r\n" + response.body;
        for (std::size_t sent = 0; sent < reply.size();) {
            const ssize_t n =
                send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        close(connection);
    }

    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::vector<std::thread> m_answers; // touched by the accepting thread only, until it ends
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::map<std::string, Response> m_routes;
    std::map<std::string, int> m_requests;
};

} // namespace qv::test
