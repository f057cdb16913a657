#include "call_record.h"

#include "shift_jis.h"
#include "shiori_event.h"

#include <cstdio>
#include <vector>

Call_Record::Call_Record()
    : index(0), step(STEP_LIBRARY), sentence_request(false), result(0), answer_null(false),
      length(0), block_size(0), microseconds(0)
{
}

Check_Summary::Check_Summary() : calls(0), breaches(0), warnings(0)
{
}

const char* step_name(Shiori_Step step)
{
    switch (step) {
    case STEP_LIBRARY: return "library";
    case STEP_LOAD: return "load";
    case STEP_REQUEST: return "request";
    case STEP_UNLOAD: return "unload";
    case STEP_RELEASE: return "release";
    }
    return "?";
}

namespace {

std::string quoted(const std::string& bytes)
{
    return "\"" + readable_text(bytes) + "\"";
}

// The answer's lines without their line ends, the final empty line left out.
std::vector<std::string> answer_lines(const std::string& answer)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < answer.size()) {
        std::size_t end = answer.find('\n', start);
        std::size_t next = end == std::string::npos ? answer.size() : end + 1;
        std::string line = answer.substr(start, next - start);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
        }
        lines.push_back(line);
        start = next;
    }
    if (!lines.empty() && lines.back().empty() && answer.size() >= 2 &&
        answer[answer.size() - 1] == '\n') {
        lines.pop_back();
    }
    return lines;
}

std::string call_head(const Call_Record& call)
{
    std::string head = "#" + std::to_string(call.index) + " " + step_name(call.step);
    if (!call.label.empty()) {
        head += " " + readable_text(call.label);
    }
    return head;
}

std::string outcome(const Call_Record& call)
{
    switch (call.step) {
    case STEP_LIBRARY: return call.result == 1 ? "loaded" : "could not be loaded";
    case STEP_LOAD:
        return quoted(call.sent) + " (" + std::to_string(call.sent.size()) + " bytes), answered " +
               std::to_string(call.result);
    case STEP_UNLOAD: return "answered " + std::to_string(call.result);
    case STEP_RELEASE: return call.result == 1 ? "released" : "could not be released";
    case STEP_REQUEST:
        if (call.answer_null) {
            return "a null handle, length " + std::to_string(call.length);
        }
        return "length " + std::to_string(call.length) + " in a block of " +
               std::to_string(call.block_size);
    }
    return std::string();
}

const char HEX_DIGITS[] = "0123456789abcdef";

std::string hex(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char byte : bytes) {
        unsigned char value = static_cast<unsigned char>(byte);
        out += HEX_DIGITS[value >> 4];
        out += HEX_DIGITS[value & 0x0F];
    }
    return out;
}

// A JSON string of UTF-8 text.
std::string json_text(const std::string& utf8)
{
    std::string out = "\"";
    for (char byte : utf8) {
        unsigned char value = static_cast<unsigned char>(byte);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += byte;
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (value < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", value);
            out += escape;
        } else {
            out += byte;
        }
    }
    return out + "\"";
}

// Bytes as a readable JSON string.
std::string json_bytes(const std::string& bytes)
{
    return json_text(readable_text(bytes, true));
}

std::string json_fields(const Call_Record& call)
{
    return "\"index\":" + std::to_string(call.index) + ",\"step\":\"" + step_name(call.step) +
           "\",\"label\":" + json_bytes(call.label);
}

} // namespace

std::string text_header(const Check_Summary& summary)
{
    return "module: " + readable_text(summary.module) + "\ndirectory: " +
           quoted(summary.dir) + "\n\n";
}

std::string text_call(const Call_Record& call)
{
    std::string text = call_head(call) + ": " + outcome(call) + ", " +
                       std::to_string(call.microseconds) + " us\n";
    if (call.step == STEP_REQUEST && !call.answer_null && call.length >= 0) {
        for (const std::string& line : answer_lines(call.answer)) {
            text += "    | " + readable_text(line) + "\n";
        }
        if (call.sentence_request) {
            text += "    sentence: " + readable_text(get_sentence(call.answer)) + "\n";
        }
    }
    for (const Finding& finding : call.findings) {
        text += std::string("    ") + (finding.severity == SEVERITY_BREACH ? "BREACH " : "WARNING ") +
                finding.id + ": " + finding.message + "\n";
    }
    return text;
}

std::string text_summary(const Check_Summary& summary, int exit_code, const std::string& end)
{
    std::string text = "\n" + std::to_string(summary.calls) +
                       (summary.calls == 1 ? " call, " : " calls, ") +
                       std::to_string(summary.breaches) +
                       (summary.breaches == 1 ? " breach, " : " breaches, ") +
                       std::to_string(summary.warnings) +
                       (summary.warnings == 1 ? " warning" : " warnings");
    if (!end.empty()) {
        text += "; " + end;
    }
    return text + "; exit code " + std::to_string(exit_code) + "\n";
}

std::string text_crash_head(const Call_Record& call)
{
    return call_head(call) + ": CRASH crash: the module faulted inside the call: ";
}

std::string text_timeout(const Call_Record& call, unsigned long timeout_ms)
{
    return call_head(call) + ": TIMEOUT timeout: the call had not returned after " +
           std::to_string(timeout_ms) + " ms.\n";
}

std::string json_call(const Call_Record& call)
{
    std::string json = "{\"type\":\"call\"," + json_fields(call);
    json += ",\"sent\":" + json_bytes(call.sent) + ",\"sent_hex\":\"" + hex(call.sent) + "\"";
    if (call.step != STEP_REQUEST) {
        json += ",\"result\":" + std::to_string(call.result);
    } else {
        json += std::string(",\"answer_null\":") + (call.answer_null ? "true" : "false");
        json += ",\"length\":" + std::to_string(call.length) +
                ",\"block_size\":" + std::to_string(call.block_size);
        json += ",\"answer\":" + json_bytes(call.answer) + ",\"answer_hex\":\"" +
                hex(call.answer) + "\"";
        if (call.sentence_request) {
            json += ",\"sentence\":" + json_bytes(get_sentence(call.answer));
        }
    }
    json += ",\"microseconds\":" + std::to_string(call.microseconds) + ",\"findings\":[";
    for (std::size_t i = 0; i < call.findings.size(); ++i) {
        const Finding& finding = call.findings[i];
        json += (i > 0 ? "," : "");
        json += "{\"id\":" + json_text(finding.id) + ",\"severity\":\"" +
                severity_name(finding.severity) + "\",\"message\":" + json_text(finding.message) +
                "}";
    }
    return json + "]}\n";
}

std::string json_summary(const Check_Summary& summary, int exit_code, const std::string& end)
{
    return "{\"type\":\"summary\",\"module\":" + json_bytes(summary.module) +
           ",\"directory\":" + json_bytes(summary.dir) + ",\"directory_hex\":\"" +
           hex(summary.dir) + "\",\"calls\":" + std::to_string(summary.calls) +
           ",\"breaches\":" + std::to_string(summary.breaches) +
           ",\"warnings\":" + std::to_string(summary.warnings) + ",\"end\":" + json_text(end) +
           ",\"exit_code\":" + std::to_string(exit_code) + "}\n";
}

std::string json_crash_head(const Call_Record& call)
{
    return "{\"type\":\"crash\",\"id\":\"crash\"," + json_fields(call) +
           ",\"message\":\"The module faulted inside the call.\",\"fault\":\"";
}

std::string json_crash_tail(const Call_Record&)
{
    return "\"}\n";
}

std::string json_timeout(const Call_Record& call, unsigned long timeout_ms)
{
    return "{\"type\":\"timeout\",\"id\":\"timeout\"," + json_fields(call) +
           ",\"message\":\"The call had not returned after " + std::to_string(timeout_ms) +
           " ms.\",\"timeout_ms\":" + std::to_string(timeout_ms) + "}\n";
}
