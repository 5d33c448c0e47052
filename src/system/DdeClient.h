#pragma once
// CDdeClient: one client conversation over the DDE management library, as the
// program-group code talks to Program Manager. It owns its DDE instance (made
// on first use, released by the destructor) and the conversation handle.
// Every transaction waits at most kTimeoutMs. Nothing throws: operations answer
// TRUE/FALSE or a data handle, null on failure.
#include <windows.h>
#include <ddeml.h>

#include <string>

class CDdeClient {
public:
    // Every transaction waits at most this long for the server's answer.
    static constexpr DWORD kTimeoutMs = 1000;
    // Room for a formatted command, terminator included.
    static constexpr size_t kCommandBufferSize = 512;

    CDdeClient() noexcept = default;
    CDdeClient(const CDdeClient&) = delete;
    CDdeClient& operator=(const CDdeClient&) = delete;
    // DdeUninitialize, which also ends a conversation still open.
    ~CDdeClient();

    // DdeInitializeA once (standard application class, no filter flags); FALSE
    // while it has not succeeded.
    BOOL Initialize();
    // Opens the conversation with service and topic; TRUE when there is one.
    BOOL Connect(const char* service, const char* topic);
    // DdeDisconnect's answer; the conversation is forgotten when it succeeded.
    BOOL Disconnect();

    // DdeClientTransaction on the conversation, at most kTimeoutMs. The data
    // handle (TRUE for a successful execute), or null.
    HDDEDATA Transaction(const void* data, DWORD size, const char* item, UINT type, UINT format,
                         DWORD* result);
    BOOL Execute(const void* data, DWORD size, UINT format);
    // Formats a command and executes it as CF_TEXT with its terminator. A
    // command that would not fit in kCommandBufferSize bytes is refused: nothing
    // is sent and the answer is FALSE (a command cut short could name another
    // group or item than the one meant).
    BOOL ExecuteFormat(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Requests `item`; when data came back, `out` receives it as a C string
    // (up to its first NUL) and the answer is TRUE. Otherwise `out` is unchanged.
    BOOL Request(const char* item, std::string& out, UINT format);

    BOOL IsConnected() const noexcept { return m_hConversation != nullptr; }

private:
    // A pure client: every transaction the library reports is answered with 1.
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                      HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2) noexcept;

    BOOL m_bInitialized = FALSE;
    DWORD m_dwInstance = 0;
    HCONV m_hConversation = nullptr;
};
