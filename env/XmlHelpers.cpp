#include "XmlHelpers.h"

#include <climits>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <mutex>

namespace {

void EnsureLibxmlReady() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

} // namespace

// The tree of a document. Trees replaced by a reload stay until the last handle is gone,
// because node handles may still point into them.
struct XmlTree {
    xmlDocPtr doc = nullptr;
    std::vector<xmlDocPtr> retired;
    std::string parseError;

    XmlTree() {
        EnsureLibxmlReady();
        doc = NewEmptyDoc();
    }
    ~XmlTree() {
        xmlFreeDoc(doc);
        for (xmlDocPtr old : retired) {
            xmlFreeDoc(old);
        }
    }
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;

    static xmlDocPtr NewEmptyDoc() {
        xmlDocPtr fresh = xmlNewDoc(BAD_CAST "1.0");
        if (fresh == nullptr) {
            throw std::bad_alloc();
        }
        MarkUtf8(fresh);
        return fresh;
    }

    // Texts in memory are UTF-8. A document that says so is written with its characters as
    // they are; without an encoding libxml2 writes attribute values as character references.
    static void MarkUtf8(xmlDocPtr doc) {
        if (doc->encoding == nullptr) {
            doc->encoding = xmlStrdup(BAD_CAST "UTF-8");
        }
    }
};

namespace {

// Never validate, never fetch anything, keep errors out of stderr (ParseError tells them),
// drop whitespace-only text between elements as the automation parser does.
constexpr int ParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS;

constexpr std::string_view XmlDeclaration = R"(<?xml version="1.0" encoding="GB2312"?>)";
constexpr std::string_view EntityDeclaration = R"(<!DOCTYPE SC[<!ENTITY stdd "&amp;stdd;">]>)";
constexpr std::string_view EncodingAttribute = R"( encoding="GB2312")";
constexpr std::size_t PrepareHeadLength = 100; // characters looked at for the declaration

const xmlChar* Xc(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string TakeXmlString(xmlChar* text) {
    if (text == nullptr) {
        return {};
    }
    std::string result(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return result;
}

std::string QualifiedName(const xmlChar* name, const xmlNs* ns) {
    std::string result;
    if (ns != nullptr && ns->prefix != nullptr) {
        result = reinterpret_cast<const char*>(ns->prefix);
        result += ':';
    }
    if (name != nullptr) {
        result += reinterpret_cast<const char*>(name);
    }
    return result;
}

xmlAttrPtr FindAttribute(xmlNodePtr element, std::string_view name) {
    if (element == nullptr || element->type != XML_ELEMENT_NODE) {
        return nullptr;
    }
    for (xmlAttrPtr attribute = element->properties; attribute != nullptr;
         attribute = attribute->next) {
        if (QualifiedName(attribute->name, attribute->ns) == name) {
            return attribute;
        }
    }
    return nullptr;
}

std::string WithoutTrailingNewline(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string ErrorText(const xmlError* error, std::string_view fallback) {
    if (error == nullptr || error->message == nullptr) {
        return std::string(fallback);
    }
    std::string text = WithoutTrailingNewline(error->message);
    if (error->line > 0) {
        text += " (line " + std::to_string(error->line) + ")";
    }
    return text;
}

bool HasEmbeddedNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

void RequireValidName(std::string_view name, const char* what) {
    const std::string copy(name);
    if (name.empty() || HasEmbeddedNul(name) || xmlValidateName(Xc(copy), 0) != 0) {
        throw EXmlError(std::string(what) + " \"" + copy + "\" is not a valid XML name");
    }
}

void IgnoreStructuredError(void*, xmlErrorPtr) {}

// The node as UTF-8 text: characters stay as they are instead of becoming references.
std::string DumpNode(xmlNodePtr node) {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
    if (save == nullptr) {
        xmlBufferFree(buffer);
        throw std::bad_alloc();
    }
    xmlSaveTree(save, node);
    xmlSaveClose(save);
    std::string result(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                       static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return result;
}

std::string DumpDocument(xmlDocPtr doc) {
    if (doc->children == nullptr) {
        return {};
    }
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &buffer, &size, "UTF-8");
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    std::string result(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    xmlFree(buffer);
    return result;
}

struct XPathContextDeleter {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct XPathObjectDeleter {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};
struct ParserContextDeleter {
    void operator()(xmlParserCtxtPtr context) const { xmlFreeParserCtxt(context); }
};

// The nodes path selects with node as context, in document order.
std::vector<xmlNodePtr> EvaluatePath(xmlNodePtr node, std::string_view path) {
    const std::string expression(path);
    if (path.empty() || HasEmbeddedNul(path)) {
        throw EXmlError("Invalid XML path \"" + expression + "\"");
    }
    std::unique_ptr<xmlXPathContext, XPathContextDeleter> context(xmlXPathNewContext(node->doc));
    if (!context) {
        throw std::bad_alloc();
    }
    context->node = node;
    context->error = IgnoreStructuredError; // the reason is read from lastError below
    std::unique_ptr<xmlXPathObject, XPathObjectDeleter> result(
        xmlXPathEvalExpression(Xc(expression), context.get()));
    if (!result) {
        throw EXmlError("Invalid XML path \"" + expression +
                        "\": " + ErrorText(&context->lastError, "cannot be evaluated"));
    }
    if (result->type != XPATH_NODESET) {
        throw EXmlError("The XML path \"" + expression + "\" does not select nodes");
    }
    std::vector<xmlNodePtr> nodes;
    if (result->nodesetval == nullptr) {
        return nodes;
    }
    for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
        xmlNodePtr found = result->nodesetval->nodeTab[i];
        // Namespace nodes are copies owned by the result, not part of the tree.
        if (found != nullptr && found->type != XML_NAMESPACE_DECL) {
            nodes.push_back(found);
        }
    }
    return nodes;
}

// The first maxCharacters characters of text (UTF-8 sequences count once).
std::string_view LeadingCharacters(std::string_view text, std::size_t maxCharacters) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation && characters++ == maxCharacters) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string RemoveAll(std::string text, std::string_view what) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.erase(at, what.size());
    }
    return text;
}

// True when the prolog (declaration, processing instructions, comments and blanks before
// the root element) holds a document type declaration. Looking only at the first hundred
// characters would add a second one to a text whose prolog is longer, which never parses.
bool PrologHasDocumentType(std::string_view text) {
    std::size_t at = 0;
    while (true) {
        at = text.find_first_not_of(" \t\r\n", at);
        if (at == std::string_view::npos) {
            return false;
        }
        const std::string_view rest = text.substr(at);
        if (AsciiLower(rest.substr(0, 9)) == "<!doctype") {
            return true;
        }
        std::string_view closing;
        if (rest.starts_with("<?")) {
            closing = "?>";
        } else if (rest.starts_with("<!--")) {
            closing = "-->";
        } else {
            return false;
        }
        const auto end = text.find(closing, at + 2);
        if (end == std::string_view::npos) {
            return false;
        }
        at = end + closing.size();
    }
}

} // namespace

// ---- TXmlNode -------------------------------------------------------------------------------

TXmlNode::TXmlNode(std::shared_ptr<XmlTree> tree, _xmlNode* node)
    : tree_(node != nullptr ? std::move(tree) : nullptr), node_(node) {}

bool TXmlNode::IsElement() const {
    return node_ != nullptr && node_->type == XML_ELEMENT_NODE;
}

std::string TXmlNode::Name() const {
    if (node_ == nullptr) {
        return {};
    }
    switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        return QualifiedName(node_->name, node_->ns);
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        return "#document";
    case XML_DOCUMENT_FRAG_NODE:
        return "#document-fragment";
    default:
        return node_->name != nullptr ? reinterpret_cast<const char*>(node_->name) : "";
    }
}

std::string TXmlNode::Text() const {
    if (node_ == nullptr) {
        return {};
    }
    return TakeXmlString(xmlNodeGetContent(node_));
}

std::string TXmlNode::Xml() const {
    if (node_ == nullptr) {
        return {};
    }
    if (node_->type == XML_DOCUMENT_NODE) {
        return DumpDocument(node_->doc);
    }
    return DumpNode(node_);
}

TXmlDocument TXmlNode::OwnerDocument() const {
    if (node_ == nullptr) {
        throw EXmlError("The XML node is missing");
    }
    return TXmlDocument(tree_);
}

TXmlNode TXmlNode::ParentNode() const {
    if (node_ == nullptr) {
        return {};
    }
    return TXmlNode(tree_, node_->parent);
}

std::vector<TXmlNode> TXmlNode::ChildNodes() const {
    std::vector<TXmlNode> children;
    // An attribute's value nodes are replaced when it is set again; they are not handed out.
    if (node_ == nullptr || node_->type == XML_ATTRIBUTE_NODE) {
        return children;
    }
    for (xmlNodePtr child = node_->children; child != nullptr; child = child->next) {
        children.push_back(TXmlNode(tree_, child));
    }
    return children;
}

TXmlNode TXmlNode::SelectSingleNode(std::string_view path) const {
    if (node_ == nullptr) {
        throw EXmlError("The XML node is missing");
    }
    const std::vector<xmlNodePtr> nodes = EvaluatePath(node_, path);
    return nodes.empty() ? TXmlNode() : TXmlNode(tree_, nodes.front());
}

std::vector<TXmlNode> TXmlNode::SelectNodes(std::string_view path) const {
    if (node_ == nullptr) {
        throw EXmlError("The XML node is missing");
    }
    std::vector<TXmlNode> result;
    for (xmlNodePtr found : EvaluatePath(node_, path)) {
        result.push_back(TXmlNode(tree_, found));
    }
    return result;
}

bool TXmlNode::HasAttribute(std::string_view name) const {
    return FindAttribute(node_, name) != nullptr;
}

std::string TXmlNode::GetAttribute(std::string_view name) const {
    xmlAttrPtr attribute = FindAttribute(node_, name);
    if (attribute == nullptr) {
        return {};
    }
    return TakeXmlString(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute)));
}

void TXmlNode::SetAttribute(std::string_view name, std::string_view value) const {
    if (!IsElement()) {
        throw EXmlError("Attribute \"" + std::string(name) + "\" can only be set on an element");
    }
    RequireValidName(name, "Attribute name");
    const std::string text(value);
    if (HasEmbeddedNul(value) || xmlCheckUTF8(Xc(text)) == 0) {
        throw EXmlError("The value of attribute \"" + std::string(name) + "\" is not valid text");
    }
    if (xmlSetProp(node_, Xc(std::string(name)), Xc(text)) == nullptr) {
        throw std::bad_alloc();
    }
}

std::vector<std::pair<std::string, std::string>> TXmlNode::Attributes() const {
    std::vector<std::pair<std::string, std::string>> result;
    if (!IsElement()) {
        return result;
    }
    for (xmlAttrPtr attribute = node_->properties; attribute != nullptr;
         attribute = attribute->next) {
        result.emplace_back(
            QualifiedName(attribute->name, attribute->ns),
            TakeXmlString(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute))));
    }
    return result;
}

TXmlNode TXmlNode::AppendElement(std::string_view name) const {
    if (node_ == nullptr) {
        throw EXmlError("The XML node is missing");
    }
    const bool underDocument = node_->type == XML_DOCUMENT_NODE;
    if (!underDocument && node_->type != XML_ELEMENT_NODE) {
        throw EXmlError("Element \"" + std::string(name) + "\" can only be added to an element");
    }
    if (underDocument && xmlDocGetRootElement(node_->doc) != nullptr) {
        throw EXmlError("The XML document already has a root element");
    }
    RequireValidName(name, "Element name");
    xmlNodePtr element = xmlNewDocNode(node_->doc, nullptr, Xc(std::string(name)), nullptr);
    if (element == nullptr) {
        throw std::bad_alloc();
    }
    xmlAddChild(node_, element);
    return TXmlNode(tree_, element);
}

// ---- TXmlDocument ---------------------------------------------------------------------------

TXmlDocument::TXmlDocument() : tree_(std::make_shared<XmlTree>()) {}

TXmlDocument::TXmlDocument(std::shared_ptr<XmlTree> tree) : tree_(std::move(tree)) {}

namespace {

// Gives tree its new document; the old one goes away at once when no node can refer to it.
void ReplaceTree(XmlTree& tree, xmlDocPtr fresh, bool onlyHandle) {
    if (onlyHandle) {
        xmlFreeDoc(tree.doc);
    } else {
        tree.retired.push_back(tree.doc);
    }
    tree.doc = fresh;
}

} // namespace

bool TXmlDocument::LoadXml(std::string_view text) {
    EnsureLibxmlReady();
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> parser(xmlNewParserCtxt());
    if (!parser) {
        throw std::bad_alloc();
    }
    xmlDocPtr parsed = nullptr;
    if (text.size() <= static_cast<std::size_t>(INT_MAX)) {
        parsed = xmlCtxtReadMemory(parser.get(), text.data(), static_cast<int>(text.size()),
                                   nullptr, nullptr, ParseOptions | XML_PARSE_IGNORE_ENC);
    }
    if (parsed != nullptr) {
        XmlTree::MarkUtf8(parsed);
    }
    tree_->parseError =
        parsed != nullptr ? "" : ErrorText(xmlCtxtGetLastError(parser.get()), "Invalid XML text");
    ReplaceTree(*tree_, parsed != nullptr ? parsed : XmlTree::NewEmptyDoc(),
                tree_.use_count() == 1);
    return parsed != nullptr;
}

bool TXmlDocument::Load(const std::string& fileName) {
    EnsureLibxmlReady();
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> parser(xmlNewParserCtxt());
    if (!parser) {
        throw std::bad_alloc();
    }
    xmlDocPtr parsed = xmlCtxtReadFile(parser.get(), fileName.c_str(), nullptr, ParseOptions);
    if (parsed != nullptr) {
        XmlTree::MarkUtf8(parsed);
    }
    tree_->parseError = parsed != nullptr ? ""
                                          : ErrorText(xmlCtxtGetLastError(parser.get()),
                                                      "Cannot read \"" + fileName + "\"");
    ReplaceTree(*tree_, parsed != nullptr ? parsed : XmlTree::NewEmptyDoc(),
                tree_.use_count() == 1);
    return parsed != nullptr;
}

const std::string& TXmlDocument::ParseError() const {
    return tree_->parseError;
}

TXmlNode TXmlDocument::AsNode() const {
    return TXmlNode(tree_, reinterpret_cast<xmlNodePtr>(tree_->doc));
}

TXmlNode TXmlDocument::DocumentElement() const {
    return TXmlNode(tree_, xmlDocGetRootElement(tree_->doc));
}

std::string TXmlDocument::Xml() const {
    return DumpDocument(tree_->doc);
}

// ---- Helpers --------------------------------------------------------------------------------

TXmlDocument NewXmlDocument() {
    return TXmlDocument();
}

TXmlDocument LoadXmlText(std::string_view text) {
    TXmlDocument document;
    document.LoadXml(text);
    return document;
}

TXmlNode ChildNode(const TXmlNode& node, std::string_view nameOrPath, bool create) {
    TXmlNode found = node.SelectSingleNode(nameOrPath);
    if (found || !create) {
        return found;
    }
    return node.AppendElement(nameOrPath);
}

std::string GetAttr(const TXmlNode& element, std::string_view name) {
    return element.GetAttribute(name);
}

void SetAttr(const TXmlNode& element, std::string_view name, std::string_view value) {
    element.SetAttribute(name, value);
}

std::string PrepareXmlText(std::string_view text) {
    const std::string head =
        RemoveAll(AsciiLower(LeadingCharacters(text, PrepareHeadLength)), "\r\n");
    const bool declared = head.starts_with("<?xml");
    const bool encoded = head.find("encoding=") != std::string::npos;
    const bool typed = PrologHasDocumentType(text);

    if (!declared) {
        std::string result(XmlDeclaration);
        if (!typed) {
            result += EntityDeclaration;
        }
        result += text;
        return result;
    }
    std::string result(text);
    const auto declarationEnd = result.find("?>");
    if (declarationEnd == std::string::npos) {
        return result; // an unterminated declaration: nothing sensible to insert
    }
    if (!typed) {
        result.insert(declarationEnd + 2, EntityDeclaration);
    }
    if (!encoded) {
        result.insert(declarationEnd, EncodingAttribute);
    }
    return result;
}

TXmlDocument ParseXmlText(std::string_view text) {
    return LoadXmlText(PrepareXmlText(text));
}
