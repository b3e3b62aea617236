#include "tools/data/data_json.h"

#include <cstdio>

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void AppendUtf8(std::string* out, unsigned code) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | (code >> 6));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += static_cast<char>(0xE0 | (code >> 12));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (code >> 18));
        *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A reader of the subset the export writes: an array of flat objects whose values are strings,
// numbers or null.
class CJsonReader {
public:
    CJsonReader(std::string_view text, DataParseError* error) : m_Text(text), m_pError(error) {
        if (m_Text.substr(0, 3) == "\xEF\xBB\xBF") m_nPos = 3;
    }

    bool Rows(const DataRecordSink& sink) {
        Blank();
        if (Peek() == '{') return Fail("an array of rows ('[') expected, not a single object");
        if (!Expect('[')) return false;
        Blank();
        if (Peek() == ']') {
            ++m_nPos;
            return End();
        }
        for (;;) {
            DataRecord record;
            record.bTyped = true;
            if (!Object(&record)) return false;
            record.nEnd = m_nPos;
            if (!sink(record)) return true;
            Blank();
            if (Peek() == ',') {
                ++m_nPos;
                Blank();
                if (Peek() == ']') return Fail("a trailing comma after the last row (JSON has none)");
                continue;
            }
            if (!Expect(']')) return false;
            return End();
        }
    }

private:
    char Peek() const { return m_nPos < m_Text.size() ? m_Text[m_nPos] : '\0'; }

    bool Fail(const std::string& reason) {
        m_pError->nLine = m_nLine;
        m_pError->reason = reason;
        return false;
    }

    void Blank() {
        while (m_nPos < m_Text.size()) {
            char c = m_Text[m_nPos];
            if (c == '\n') {
                ++m_nLine;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                break;
            }
            ++m_nPos;
        }
    }

    bool Expect(char c) {
        if (Peek() != c) {
            if (m_nPos >= m_Text.size()) return Fail(std::string("the text ends where '") + c + "' belongs");
            return Fail(std::string("'") + c + "' expected");
        }
        ++m_nPos;
        return true;
    }

    bool End() {
        Blank();
        return m_nPos >= m_Text.size() || Fail("text after the closing ']'");
    }

    // A row object: a day's (date, time, steps, kcal, distance, and created and updated, which may
    // be left out) or, with an "hour", an hour's.
    bool Object(DataRecord* record) {
        record->nLine = m_nLine;
        if (!Expect('{')) return false;
        static constexpr const char* kKeys[] = {"date",     "time",    "steps",   "kcal",
                                                "distance", "created", "updated", "hour"};
        constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];
        DataCell cells[kKeyCount];
        bool seen[kKeyCount] = {};
        Blank();
        if (Peek() != '}') {
            for (;;) {
                std::string key;
                Blank();
                if (Peek() == '}') return Fail("a trailing comma after the last value (JSON has none)");
                if (Peek() != '"') return Fail("a key in quotes expected");
                if (!String(&key)) return false;
                size_t column = kKeyCount;
                for (size_t i = 0; i < kKeyCount; ++i)
                    if (key == kKeys[i]) column = i;
                if (column == kKeyCount) return Fail("unknown key \"" + DataEchoField(key) + "\"");
                if (seen[column]) return Fail("key \"" + DataEchoField(key) + "\" given twice");
                seen[column] = true;
                Blank();
                if (!Expect(':')) return false;
                Blank();
                if (!Value(&cells[column])) return false;
                Blank();
                if (Peek() == ',') {
                    ++m_nPos;
                    continue;
                }
                break;
            }
        }
        if (!Expect('}')) return false;
        record->bHours = seen[kKeyCount - 1];
        const char* const* columns = record->bHours ? kHourColumns : kDataColumns;
        const size_t count = record->bHours ? kHourColumnCount : kDataColumnCount;
        record->cells.assign(count, DataCell{});
        for (size_t i = 0; i < kKeyCount; ++i) {
            size_t column = count;
            for (size_t c = 0; c < count; ++c)
                if (std::string(columns[c]) == kKeys[i]) column = c;
            if (seen[i] && column == count) {
                m_nLine = record->nLine;
                return Fail(std::string("key \"") + kKeys[i] + "\" in a row of " +
                            (record->bHours ? "hours" : "days"));
            }
            if (column == count) continue;
            if (!seen[i] && column < (record->bHours ? kHourColumnCount : kDataRequiredColumns)) {
                m_nLine = record->nLine;
                return Fail(std::string("no \"") + kKeys[i] + "\"");
            }
            record->cells[column] = cells[i];
        }
        return true;
    }

    bool Value(DataCell* cell) {
        char c = Peek();
        if (c == '"') {
            cell->kind = DataCell::Kind::Text;
            return String(&cell->text);
        }
        if (m_Text.compare(m_nPos, 4, "null") == 0) {
            m_nPos += 4;
            cell->kind = DataCell::Kind::Null;
            return true;
        }
        if (c == '-' || (c >= '0' && c <= '9')) return Number(cell);
        return Fail("a string, a number or null expected");
    }

    bool Number(DataCell* cell) {
        size_t start = m_nPos;
        auto digits = [this]() {
            size_t from = m_nPos;
            while (Peek() >= '0' && Peek() <= '9') ++m_nPos;
            return m_nPos > from;
        };
        if (Peek() == '-') ++m_nPos;
        const bool leadingZero = Peek() == '0';
        if (!digits() || (leadingZero && m_nPos - start > 1 + (m_Text[start] == '-' ? 1u : 0u)))
            return Fail("a malformed number");
        if (Peek() == '.') {
            ++m_nPos;
            if (!digits()) return Fail("a malformed number");
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++m_nPos;
            if (Peek() == '+' || Peek() == '-') ++m_nPos;
            if (!digits()) return Fail("a malformed number");
        }
        cell->kind = DataCell::Kind::Number;
        cell->text = m_Text.substr(start, m_nPos - start);
        return true;
    }

    bool Hex4(unsigned* code) {
        if (m_nPos + 4 > m_Text.size()) return Fail("a malformed \\u escape");
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            char h = m_Text[m_nPos++];
            unsigned v;
            if (h >= '0' && h <= '9')
                v = h - '0';
            else if (h >= 'a' && h <= 'f')
                v = h - 'a' + 10;
            else if (h >= 'A' && h <= 'F')
                v = h - 'A' + 10;
            else
                return Fail("a malformed \\u escape");
            *code = *code * 16 + v;
        }
        return true;
    }

    bool String(std::string* out) {
        ++m_nPos;  // the opening quote
        for (;;) {
            if (m_nPos >= m_Text.size()) return Fail("a string is not closed");
            unsigned char c = static_cast<unsigned char>(m_Text[m_nPos++]);
            if (c == '"') return true;
            if (c < 0x20) return Fail("a control character inside a string");
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (m_nPos >= m_Text.size()) return Fail("a string is not closed");
            char e = m_Text[m_nPos++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    *out += e;
                    break;
                case 'b':
                    *out += '\b';
                    break;
                case 'f':
                    *out += '\f';
                    break;
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                case 'u': {
                    unsigned code = 0;
                    if (!Hex4(&code)) return false;
                    if (code >= 0xD800 && code < 0xDC00) {
                        unsigned low = 0;
                        if (m_Text.compare(m_nPos, 2, "\\u") != 0) return Fail("a lone surrogate escape");
                        m_nPos += 2;
                        if (!Hex4(&low)) return false;
                        if (low < 0xDC00 || low >= 0xE000) return Fail("a lone surrogate escape");
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xDC00 && code < 0xE000) {
                        return Fail("a lone surrogate escape");
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    return Fail(std::string("an unknown escape \\") + e);
            }
        }
    }

    std::string_view m_Text;
    DataParseError* m_pError;
    size_t m_nPos = 0;
    size_t m_nLine = 1;
};

}  // namespace

std::string DataJsonBegin() {
    return "[\n";
}

std::string DataJsonLine(const std::vector<DataCell>& cells, bool first, bool hours) {
    const char* const* columns = hours ? kHourColumns : kDataColumns;
    const size_t count = hours ? kHourColumnCount : kDataColumnCount;
    std::string line = first ? "  {" : ",\n  {";
    for (size_t i = 0; i < cells.size() && i < count; ++i) {
        if (i > 0) line += ", ";
        line += JsonString(columns[i]) + ": ";
        switch (cells[i].kind) {
            case DataCell::Kind::Null:
                line += "null";
                break;
            case DataCell::Kind::Number:
                line += cells[i].text;
                break;
            case DataCell::Kind::Text:
                line += JsonString(cells[i].text);
                break;
        }
    }
    return line + "}";
}

std::string DataJsonEnd() {
    return "\n]\n";
}

bool DataJsonRead(std::string_view text, const DataRecordSink& sink, DataParseError* error) {
    CJsonReader reader(text, error);
    return reader.Rows(sink);
}
