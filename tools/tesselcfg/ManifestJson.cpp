#include "tools/tesselcfg/ManifestJson.h"

#include <nlohmann/json.hpp>

namespace tesselcfg {
namespace {

struct ScannedKey {
    std::string token;  // as written, quotes included
    int line = 0;
};

// Where each element of the top-level array starts and where each key of an object element
// is written. The parser does not tell positions, so the (already valid) text is walked once
// more, counting lines.
struct ScannedElement {
    int line = 0;
    std::vector<ScannedKey> keys;
};

std::vector<ScannedElement> scanElements(const std::string& text) {
    std::vector<ScannedElement> elements;
    int line = 1;
    int depth = 0;
    bool elementExpected = false;  // inside the top-level array, before a value
    bool keyExpected = false;      // inside an element object, before a key
    bool elementIsObject = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == ':') {
            continue;
        }
        if (depth == 1 && elementExpected && c != ']') {
            elements.push_back(ScannedElement{line, {}});
            elementExpected = false;
        }
        switch (c) {
            case '"': {
                std::size_t end = i + 1;
                while (end < text.size() && text[end] != '"') {
                    end += text[end] == '\\' ? 2 : 1;
                }
                if (depth == 2 && elementIsObject && keyExpected) {
                    elements.back().keys.push_back(ScannedKey{text.substr(i, end - i + 1), line});
                    keyExpected = false;
                }
                i = end;
                break;
            }
            case '[':
            case '{':
                ++depth;
                if (depth == 1) {
                    elementExpected = true;
                } else if (depth == 2) {
                    elementIsObject = c == '{';
                    keyExpected = elementIsObject;
                }
                break;
            case ']':
            case '}':
                --depth;
                break;
            case ',':
                elementExpected = depth == 1;
                keyExpected = depth == 2 && elementIsObject;
                break;
            default:
                break;
        }
    }
    return elements;
}

int lineAt(const std::string& text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        line += text[i] == '\n';
    }
    return line;
}

std::optional<std::string> valueText(const nlohmann::json& value, const std::string& key,
                                     int line) {
    if (value.is_null()) {
        return std::nullopt;
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_boolean()) {
        return value.get<bool>() ? "true" : "false";
    }
    throw ManifestError(line, key + ": a text, true or false is needed");
}

}  // namespace

std::vector<ManifestRow> jsonManifestRows(const std::string& text) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& e) {
        // "[json.exception.parse_error.101] parse error at line 3, column 5: syntax error ..."
        std::string reason = e.what();
        const std::size_t column = reason.find("column ");
        const std::size_t colon = reason.find(": ", column == std::string::npos ? 0 : column);
        if (colon != std::string::npos) {
            reason = reason.substr(colon + 2);
        }
        throw ManifestError(lineAt(text, e.byte == 0 ? 0 : e.byte - 1), "not JSON: " + reason);
    }
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (!document.is_array()) {
        throw ManifestError(lineAt(text, first),
                            "a JSON manifest is an array of controllers: [{\"mac\": ...}, ...]");
    }
    const std::vector<ScannedElement> scanned = scanElements(text);
    std::vector<ManifestRow> rows;
    for (std::size_t i = 0; i < document.size(); ++i) {
        const nlohmann::json& element = document[i];
        const int line = i < scanned.size() ? scanned[i].line : lineAt(text, first);
        if (!element.is_object()) {
            throw ManifestError(line, "each controller is an object: {\"mac\": ...}");
        }
        ManifestRow row;
        row.line = line;
        for (const ScannedKey& written : scanned[i].keys) {
            const std::string key = nlohmann::json::parse(written.token).get<std::string>();
            row.cells.push_back(ManifestCell{
                key, written.line, valueText(element.at(key), key, written.line), written.line});
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace tesselcfg
