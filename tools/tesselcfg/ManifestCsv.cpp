#include "tools/tesselcfg/ManifestCsv.h"

namespace tesselcfg {
namespace {

struct Cell {
    std::string text;
    bool quoted = false;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::vector<Cell> splitLine(const std::string& line, int lineNumber) {
    std::vector<Cell> cells;
    std::size_t i = 0;
    while (true) {
        Cell cell;
        while (i < line.size() && isBlank(line[i])) {
            ++i;
        }
        if (i < line.size() && line[i] == '"') {
            cell.quoted = true;
            ++i;
            while (true) {
                if (i >= line.size()) {
                    throw ManifestError(lineNumber,
                                        "a quote is not closed (a value cannot span lines)");
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        cell.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell.text += line[i++];
            }
            while (i < line.size() && isBlank(line[i])) {
                ++i;
            }
            if (i < line.size() && line[i] != ',') {
                throw ManifestError(lineNumber, "text after a closing quote");
            }
        } else {
            const std::size_t comma = line.find(',', i);
            cell.text =
                trimmed(line.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
            if (cell.text.find('"') != std::string::npos) {
                throw ManifestError(lineNumber,
                                    "a quote inside a value that does not start with one");
            }
            i = comma == std::string::npos ? line.size() : comma;
        }
        cells.push_back(cell);
        if (i >= line.size()) {
            return cells;
        }
        ++i;  // the comma
    }
}

}  // namespace

std::vector<ManifestRow> csvManifestRows(const std::string& text) {
    std::vector<ManifestRow> rows;
    std::vector<std::string> header;
    int headerLine = 0;
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte-order mark
    for (int lineNumber = 1; start <= text.size(); ++lineNumber) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (trimmed(line).empty()) {
            continue;
        }
        const std::vector<Cell> cells = splitLine(line, lineNumber);
        if (header.empty()) {
            headerLine = lineNumber;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (cells[i].text.empty()) {
                    throw ManifestError(lineNumber,
                                        "column " + std::to_string(i + 1) + " has no name");
                }
                header.push_back(cells[i].text);
            }
            continue;
        }
        if (cells.size() != header.size()) {
            throw ManifestError(lineNumber, std::to_string(cells.size()) +
                                                " cells, the header on line " +
                                                std::to_string(headerLine) + " names " +
                                                std::to_string(header.size()));
        }
        ManifestRow row;
        row.line = lineNumber;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            ManifestCell cell{header[i], headerLine, std::nullopt, lineNumber};
            if (!cells[i].text.empty()) {
                cell.value = cells[i].text;
            }
            row.cells.push_back(cell);
        }
        rows.push_back(row);
    }
    if (header.empty()) {
        throw ManifestError(1, "no header row (for example mac,hostName,comment)");
    }
    if (rows.empty()) {
        throw ManifestError(headerLine, "no controller listed");
    }
    return rows;
}

}  // namespace tesselcfg
