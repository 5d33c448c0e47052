#pragma once
// A DDE server of a test's own, on a thread of its own: it records every
// command it is sent and answers a request for one item with a text the test
// chooses. Written with the raw DDE management calls, apart from the program's
// DDE classes.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <ddeml.h>

class DdeTestServer {
public:
    // Serves `service` and `topic`; a request for `item` (CF_TEXT) gets `answer`.
    DdeTestServer(std::string service, std::string topic, std::string item, std::string answer);
    DdeTestServer(const DdeTestServer&) = delete;
    DdeTestServer& operator=(const DdeTestServer&) = delete;
    ~DdeTestServer();

    // The commands executed so far, in order.
    std::vector<std::string> Commands();

private:
    void Run();
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                                      ULONG_PTR);

    static DdeTestServer* s_server;  // DDE callbacks carry no context
    const std::string m_strService, m_strTopic, m_strItem, m_strAnswer;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    DWORD m_threadId = 0;
    DWORD m_instance = 0;
    HSZ m_service = nullptr;
    HSZ m_topic = nullptr;
    HSZ m_item = nullptr;
    std::vector<std::string> m_commands;
};
