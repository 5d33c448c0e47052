#include "support/DdeTestServer.h"

DdeTestServer* DdeTestServer::s_server = nullptr;

DdeTestServer::DdeTestServer(std::string service, std::string topic, std::string item, std::string answer)
    : m_strService(std::move(service)), m_strTopic(std::move(topic)), m_strItem(std::move(item)),
      m_strAnswer(std::move(answer))
{
    s_server = this;
    m_thread = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [this] { return m_threadId != 0; });
}

DdeTestServer::~DdeTestServer()
{
    ::PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
    s_server = nullptr;
}

std::vector<std::string> DdeTestServer::Commands()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

void DdeTestServer::Run()
{
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
    ::DdeInitializeA(&m_instance, Callback, APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES, 0);
    m_service = ::DdeCreateStringHandleA(m_instance, m_strService.c_str(), CP_WINANSI);
    m_topic = ::DdeCreateStringHandleA(m_instance, m_strTopic.c_str(), CP_WINANSI);
    m_item = ::DdeCreateStringHandleA(m_instance, m_strItem.c_str(), CP_WINANSI);
    ::DdeNameService(m_instance, m_service, nullptr, DNS_REGISTER);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_threadId = ::GetCurrentThreadId();
    }
    m_ready.notify_one();
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    ::DdeNameService(m_instance, nullptr, nullptr, DNS_UNREGISTER);
    for (HSZ hsz : {m_service, m_topic, m_item})
        ::DdeFreeStringHandle(m_instance, hsz);
    ::DdeUninitialize(m_instance);
}

HDDEDATA CALLBACK DdeTestServer::Callback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                          ULONG_PTR, ULONG_PTR)
{
    DdeTestServer& self = *s_server;
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(
            ::DdeCmpStringHandles(hsz1, self.m_topic) == 0 && ::DdeCmpStringHandles(hsz2, self.m_service) == 0));
    case XTYP_EXECUTE: {
        std::string command(::DdeGetData(data, nullptr, 0, 0), '\0');
        ::DdeGetData(data, reinterpret_cast<LPBYTE>(command.data()), static_cast<DWORD>(command.size()), 0);
        std::lock_guard<std::mutex> lock(self.m_mutex);
        self.m_commands.push_back(command.c_str());
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    case XTYP_REQUEST:
        if (format != CF_TEXT || ::DdeCmpStringHandles(hsz2, self.m_item) != 0)
            return nullptr;
        return ::DdeCreateDataHandle(self.m_instance,
                                     reinterpret_cast<LPBYTE>(const_cast<char*>(self.m_strAnswer.c_str())),
                                     static_cast<DWORD>(self.m_strAnswer.size() + 1), 0, hsz2, CF_TEXT, 0);
    default:
        return nullptr;
    }
}
