// The file an import reads, mapped into memory rather than read into it; the pages already read
// are given back as the reading goes on, so that memory stays flat for a file of any size.
// Standard input is first copied to an unnamed temporary file.
#pragma once

#include <string>
#include <string_view>

class CDataInput {
public:
    CDataInput() = default;
    CDataInput(const CDataInput&) = delete;
    CDataInput& operator=(const CDataInput&) = delete;
    ~CDataInput();

    // "-" is standard input. False with *error when it cannot be read.
    bool Open(const std::string& file, std::string* error);
    std::string_view Text() const { return m_Text; }
    // The text before `pos` is not needed again.
    void Done(size_t pos);

private:
    int m_Fd = -1;
    char* m_pMap = nullptr;
    size_t m_nSize = 0;
    size_t m_nReleased = 0;
    std::string_view m_Text;
};
