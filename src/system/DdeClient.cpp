#include "system/DdeClient.h"

#include "fw/Handle.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

// Data a transaction handed to the client, which must free it.
struct DdeDataTraits {
    using Handle = HDDEDATA;
    static Handle Invalid() noexcept { return nullptr; }
    static BOOL Close(Handle h) noexcept { return ::DdeFreeDataHandle(h); }
};
using CDdeData = CUniqueHandle<DdeDataTraits>;

} // namespace

CDdeClient::~CDdeClient()
{
    if (m_bInitialized)
        ::DdeUninitialize(m_dwInstance);
}

HDDEDATA CALLBACK CDdeClient::Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) noexcept
{
    return reinterpret_cast<HDDEDATA>(1);
}

BOOL CDdeClient::Initialize()
{
    if (m_bInitialized)
        return TRUE;
    DWORD instance = 0;
    if (::DdeInitializeA(&instance, Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR)
        return FALSE;
    m_dwInstance = instance;
    m_bInitialized = TRUE;
    return TRUE;
}

BOOL CDdeClient::Connect(const char* service, const char* topic)
{
    if (!Initialize())
        return FALSE;
    const CDdeStringHandle hszService(m_dwInstance, service);
    const CDdeStringHandle hszTopic(m_dwInstance, topic);
    m_hConversation = ::DdeConnect(m_dwInstance, hszService.Get(), hszTopic.Get(), nullptr);
    return m_hConversation != nullptr;
}

BOOL CDdeClient::Disconnect()
{
    const BOOL done = ::DdeDisconnect(m_hConversation);
    if (done)
        m_hConversation = nullptr;
    return done;
}

HDDEDATA CDdeClient::Transaction(const void* data, DWORD size, const char* item, UINT type, UINT format,
                                 DWORD* result)
{
    if (!Initialize())
        return nullptr;
    const CDdeStringHandle hszItem(m_dwInstance, item);
    return ::DdeClientTransaction(static_cast<LPBYTE>(const_cast<void*>(data)), size, m_hConversation,
                                  hszItem.Get(), format, type, kTimeoutMs, result);
}

BOOL CDdeClient::Execute(const void* data, DWORD size, UINT format)
{
    return Transaction(data, size, "", XTYP_EXECUTE, format, nullptr) != nullptr;
}

BOOL CDdeClient::ExecuteFormat(const char* format, ...)
{
    char command[kCommandBufferSize];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(command, sizeof command, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<size_t>(length) >= sizeof command)
        return FALSE;
    return Execute(command, static_cast<DWORD>(length) + 1, CF_TEXT);
}

BOOL CDdeClient::Request(const char* item, std::string& out, UINT format)
{
    const CDdeData data(Transaction(nullptr, 0, item, XTYP_REQUEST, format, nullptr));
    if (m_bInitialized)
        ::DdeGetLastError(m_dwInstance);  // clears the instance's error; the data handle tells enough
    if (!data)
        return FALSE;
    DWORD size = 0;
    const auto* bytes = reinterpret_cast<const char*>(::DdeAccessData(data.Get(), &size));
    if (!bytes)
        return FALSE;
    out.assign(bytes, std::find(bytes, bytes + size, '\0'));
    ::DdeUnaccessData(data.Get());
    return TRUE;
}
