#include "tools/data/data_csv.h"

namespace {

bool NeedsQuotes(const std::string& field) {
    return field.find_first_of(",\"\r\n") != std::string::npos;
}

std::string Quoted(const std::string& field) {
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// A cursor over the text that counts lines.
class CCsvReader {
public:
    explicit CCsvReader(std::string_view text) : m_Text(text) {
        // A byte-order mark, as spreadsheets write it.
        if (m_Text.compare(0, 3, "\xEF\xBB\xBF") == 0) m_nPos = 3;
    }

    bool AtEnd() const { return m_nPos >= m_Text.size(); }
    size_t Line() const { return m_nLine; }
    size_t Pos() const { return m_nPos; }
    // The line an error belongs to: where an unclosed quote opened, else the current one.
    size_t ErrorLine() const { return m_nErrorLine ? m_nErrorLine : m_nLine; }

    // Reads one record's fields; false with *reason on a malformed record.
    bool Record(std::vector<std::string>* fields, std::string* reason) {
        fields->clear();
        for (;;) {
            std::string field;
            // Blanks around a field, as a person may type them, do not count.
            const size_t start = m_nPos;
            while (m_nPos < m_Text.size() && (m_Text[m_nPos] == ' ' || m_Text[m_nPos] == '\t')) ++m_nPos;
            if (m_nPos < m_Text.size() && m_Text[m_nPos] == '"') {
                if (!QuotedField(&field, reason)) return false;
            } else {
                m_nPos = start;
                while (m_nPos < m_Text.size() && m_Text[m_nPos] != ',' && m_Text[m_nPos] != '\n' &&
                       m_Text[m_nPos] != '\r') {
                    if (m_Text[m_nPos] == '"') {
                        *reason = "a quote inside an unquoted field";
                        return false;
                    }
                    field += m_Text[m_nPos++];
                }
                const size_t first = field.find_first_not_of(" \t");
                field = first == std::string::npos
                            ? std::string()
                            : field.substr(first, field.find_last_not_of(" \t") - first + 1);
            }
            fields->push_back(field);
            if (m_nPos >= m_Text.size()) return true;
            char c = m_Text[m_nPos];
            if (c == ',') {
                ++m_nPos;
                continue;
            }
            return LineEnd(reason);
        }
    }

    // Skips a line that holds nothing; true when it did.
    bool SkipBlankLine() {
        if (m_nPos < m_Text.size() && (m_Text[m_nPos] == '\n' || m_Text[m_nPos] == '\r')) {
            std::string ignored;
            return LineEnd(&ignored);
        }
        return false;
    }

private:
    bool QuotedField(std::string* field, std::string* reason) {
        ++m_nPos;  // the opening quote
        const size_t opened = m_nLine;
        for (;;) {
            if (m_nPos >= m_Text.size()) {
                *reason = "a quoted field opened here is not closed";
                m_nErrorLine = opened;
                return false;
            }
            char c = m_Text[m_nPos++];
            if (c == '"') {
                if (m_nPos < m_Text.size() && m_Text[m_nPos] == '"') {
                    *field += '"';
                    ++m_nPos;
                    continue;
                }
                while (m_nPos < m_Text.size() && (m_Text[m_nPos] == ' ' || m_Text[m_nPos] == '\t')) ++m_nPos;
                if (m_nPos < m_Text.size() && m_Text[m_nPos] != ',' && m_Text[m_nPos] != '\n' &&
                    m_Text[m_nPos] != '\r') {
                    *reason = "text after a closing quote";
                    return false;
                }
                return true;
            }
            if (c == '\n') ++m_nLine;
            *field += c;
        }
    }

    bool LineEnd(std::string* reason) {
        if (m_Text[m_nPos] == '\r') {
            ++m_nPos;
            if (m_nPos < m_Text.size() && m_Text[m_nPos] != '\n') {
                *reason = "a carriage return inside a line";
                return false;
            }
        }
        if (m_nPos < m_Text.size()) ++m_nPos;  // the line feed
        ++m_nLine;
        return true;
    }

    std::string_view m_Text;
    size_t m_nPos = 0;
    size_t m_nLine = 1;
    size_t m_nErrorLine = 0;
};

}  // namespace

std::string DataCsvHeader(bool hours) {
    const char* const* columns = hours ? kHourColumns : kDataColumns;
    const size_t count = hours ? kHourColumnCount : kDataColumnCount;
    std::string line;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) line += ',';
        line += columns[i];
    }
    return line + "\n";
}

std::string DataCsvLine(const std::vector<DataCell>& cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += ',';
        const std::string& text = cells[i].kind == DataCell::Kind::Null ? std::string() : cells[i].text;
        line += NeedsQuotes(text) ? Quoted(text) : text;
    }
    return line + "\n";
}

bool DataCsvRead(std::string_view text, const DataRecordSink& sink, DataParseError* error) {
    CCsvReader reader(text);
    std::vector<std::string> fields;
    size_t line = reader.Line();
    if (!reader.Record(&fields, &error->reason)) {
        error->nLine = reader.ErrorLine();
        return false;
    }
    std::string header;
    for (size_t i = 0; i < fields.size(); ++i) header += (i > 0 ? "," : "") + fields[i];
    // The days' header, or its first five columns (created and updated left out), or the hours'.
    std::string days = DataCsvHeader(false);
    days.pop_back();
    std::string hours = DataCsvHeader(true);
    hours.pop_back();
    size_t required = 0;
    for (size_t i = 0; i < kDataRequiredColumns; ++i) required = days.find(',', required + 1);
    const bool byHours = header == hours;
    const size_t columns = fields.size();
    if (!byHours && header != days && header != days.substr(0, required)) {
        error->nLine = line;
        error->reason = "the first line is not the header \"" + days + "\" (or \"" + hours + "\")";
        return false;
    }
    while (!reader.AtEnd()) {
        if (reader.SkipBlankLine()) continue;
        DataRecord record;
        record.nLine = reader.Line();
        record.bHours = byHours;
        record.nColumns = columns;
        if (!reader.Record(&fields, &error->reason)) {
            error->nLine = reader.ErrorLine();
            return false;
        }
        for (const std::string& field : fields) {
            DataCell cell;
            cell.kind = field.empty() ? DataCell::Kind::Null : DataCell::Kind::Text;
            cell.text = field;
            record.cells.push_back(cell);
        }
        record.nEnd = reader.Pos();
        if (!sink(record)) return true;
    }
    return true;
}
