#include "SoapMessage.h"

#include <climits>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>

namespace {

constexpr std::string_view EnvelopeHead =
    R"(<?xml version="1.0" encoding="utf-8"?>)"
    R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">)"
    R"(<soap:Body>)";
constexpr std::string_view EnvelopeTail = "</soap:Body></soap:Envelope>";
constexpr std::string_view ResultSuffix = "Result";

// Answers are read as they declare themselves; nothing is fetched, nothing printed.
constexpr int AnswerParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct DocDeleter {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};

bool IsXmlChar(int code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

bool HasLocalName(xmlNodePtr node, std::string_view name) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && node->name != nullptr &&
           name == reinterpret_cast<const char*>(node->name);
}

xmlNodePtr FirstElementChild(xmlNodePtr parent) {
    for (xmlNodePtr child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            return child;
        }
    }
    return nullptr;
}

xmlNodePtr ChildElementNamed(xmlNodePtr parent, std::string_view name) {
    for (xmlNodePtr child = parent->children; child != nullptr; child = child->next) {
        if (HasLocalName(child, name)) {
            return child;
        }
    }
    return nullptr;
}

std::string ContentOf(xmlNodePtr node) {
    xmlChar* content = xmlNodeGetContent(node);
    if (content == nullptr) {
        return {};
    }
    std::string text(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return text;
}

} // namespace

bool IsValidSoapMethod(std::string_view method) {
    if (method.empty() || method.find('\0') != std::string_view::npos) {
        return false;
    }
    const std::string name(method);
    return xmlValidateNCName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

bool IsValidSoapText(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t left = text.size() - at;
        int length = static_cast<int>(left > 4 ? 4 : left);
        const int code = xmlGetUTF8Char(bytes + at, &length);
        if (code < 0 || length <= 0 || !IsXmlChar(code)) {
            return false;
        }
        at += static_cast<std::size_t>(length);
    }
    return true;
}

std::string EscapeSoapText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '\r': // a literal CR would be read back as a line feed
            escaped += "&#13;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string BuildSoapEnvelope(std::string_view method, std::string_view request) {
    std::string envelope(EnvelopeHead);
    envelope += '<';
    envelope += method;
    envelope += '>';
    envelope += EscapeSoapText(request);
    envelope += "</";
    envelope += method;
    envelope += '>';
    envelope += EnvelopeTail;
    return envelope;
}

std::optional<std::string> SoapResultText(std::string_view answer, std::string_view method) {
    if (answer.empty() || answer.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const std::unique_ptr<xmlDoc, DocDeleter> doc(xmlReadMemory(
        answer.data(), static_cast<int>(answer.size()), nullptr, nullptr, AnswerParseOptions));
    if (!doc) {
        return std::nullopt;
    }
    xmlNodePtr envelope = xmlDocGetRootElement(doc.get());
    if (!HasLocalName(envelope, "Envelope")) {
        return std::nullopt;
    }
    xmlNodePtr body = ChildElementNamed(envelope, "Body");
    if (body == nullptr) {
        return std::nullopt;
    }
    xmlNodePtr response = FirstElementChild(body);
    if (response == nullptr || HasLocalName(response, "Fault")) {
        return std::nullopt;
    }
    if (xmlNodePtr result =
            ChildElementNamed(response, std::string(method) + std::string(ResultSuffix))) {
        return ContentOf(result);
    }
    if (xmlNodePtr first = FirstElementChild(response)) {
        return ContentOf(first);
    }
    return ContentOf(response);
}
