#include "errors/XException.h"

#include "fw/Strings.h"

std::string g_strErrorTitle;
std::string g_strErrorText;

namespace {

constexpr XMessageEntry kGenericMessages[] = {{-1, 24576, 24577}};
constexpr XMessageEntry kMemoryMessages[] = {{-1, 24578, 24579}};
constexpr XMessageEntry kFileMessages[] = {
    {2, 24590, 24591}, {3, 24592, 24593}, {4, 24594, 24595}, {5, 24596, 24597},
    {6, 24598, 24581}, {7, 24599, 24581}, {8, 24600, 24601}, {9, 24602, 24581},
    {10, 24603, 24604}, {11, 24605, 24606}, {12, 24607, 24608}, {13, 24609, 24610},
    {14, 24611, 24581}, {-1, 24580, 24581},
};
constexpr XMessageEntry kArchiveMessages[] = {{-1, 24582, 24583}};
constexpr XMessageEntry kResourceMessages[] = {{-1, 24584, 24585}};
constexpr XMessageEntry kUserMessages[] = {{-1, 24586, 24587}};
constexpr XMessageEntry kNotSupportedMessages[] = {{-1, 24588, 24589}};
constexpr XMessageEntry kInstallProfileMessages[] = {{-1, 10, 13}};
// Code 1 stands last, after 2 to 5.
constexpr XMessageEntry kMultiFileMessages[] = {
    {2, 27650, 27651}, {3, 27652, 27653}, {4, 27654, 27655}, {5, 27656, 27657}, {1, 27648, 27649},
};
constexpr XMessageEntry kZLibMessages[] = {
    {1, 27658, 27659}, {2, 27660, 27659}, {3, 27661, 27659}, {4, 27662, 27659},
};

} // namespace

void CXException::PrepareMessage() const
{
    g_strErrorTitle.clear();
    g_strErrorText.clear();
    LoadMessage();
}

void CXException::LoadMessage() const
{
    FindMessage(kGenericMessages);
}

void CXException::FindMessage(const XMessageEntry* table, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i) {
        const XMessageEntry& entry = table[i];
        if (entry.code != -1 && entry.code != m_nCode)
            continue;
        if (entry.titleId != 0 && g_strErrorTitle.empty())
            g_strErrorTitle = AfxLoadString(entry.titleId);
        if (entry.textId != 0 && g_strErrorText.empty())
            g_strErrorText = AfxLoadString(entry.textId);
        return;
    }
}

template <std::size_t N>
void CXException::FindOwnThenGeneric(const XMessageEntry (&table)[N]) const
{
    FindMessage(table, N);
    FindMessage(kGenericMessages);
}

void CInstallProfileException::LoadMessage() const { FindOwnThenGeneric(kInstallProfileMessages); }
void CMultiFileException::LoadMessage() const { FindOwnThenGeneric(kMultiFileMessages); }
void CZLibException::LoadMessage() const { FindOwnThenGeneric(kZLibMessages); }
void CXMemoryException::LoadMessage() const { FindOwnThenGeneric(kMemoryMessages); }
void CXFileException::LoadMessage() const { FindOwnThenGeneric(kFileMessages); }
void CXArchiveException::LoadMessage() const { FindOwnThenGeneric(kArchiveMessages); }
void CXResourceException::LoadMessage() const { FindOwnThenGeneric(kResourceMessages); }
void CXUserException::LoadMessage() const { FindOwnThenGeneric(kUserMessages); }
void CXNotSupportedException::LoadMessage() const { FindOwnThenGeneric(kNotSupportedMessages); }

std::unique_ptr<CXException> MapException(const CException& e)
{
    if (dynamic_cast<const CMemoryException*>(&e))
        return std::make_unique<CXMemoryException>();
    if (const auto* file = dynamic_cast<const CFileException*>(&e))
        return std::make_unique<CXFileException>(file->m_cause);
    if (const auto* archive = dynamic_cast<const CArchiveException*>(&e))
        return std::make_unique<CXArchiveException>(archive->m_cause);
    if (dynamic_cast<const CNotSupportedException*>(&e))
        return std::make_unique<CXNotSupportedException>();
    if (dynamic_cast<const CResourceException*>(&e))
        return std::make_unique<CXResourceException>();
    if (dynamic_cast<const CUserException*>(&e))
        return std::make_unique<CXUserException>();
    return std::make_unique<CXException>(1);
}
