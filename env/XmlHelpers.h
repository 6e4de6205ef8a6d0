// XML documents on libxml2, and the call of a web service through the suite's outside
// library "CallWebService.dll".
//
// Ownership: TXmlDocument and TXmlNode are handles. Copies of a document share one tree;
// a node handle keeps its document alive, so nodes stay valid after the document handle
// they came from is gone. Nothing here removes nodes from a tree, so a node handle never
// dangles; reloading a document gives it a new tree and old node handles keep the old one.
#pragma once

#include "SysUtils.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// An XML operation that cannot be done: an invalid path or name, a node that is missing.
STEWARD_DECLARE_EXCEPTION(EXmlError, EOleError);

struct _xmlNode; // NOLINT(bugprone-reserved-identifier): libxml2's own name
struct XmlTree;  // the shared tree behind documents and nodes
class TXmlDocument;

class TXmlNode {
public:
    TXmlNode() = default; // no node

    explicit operator bool() const { return node_ != nullptr; }
    bool IsElement() const;
    // The node's name as the document object model gives it: the qualified name of an
    // element or attribute, "#text", "#comment", "#document", ...
    std::string Name() const;
    // The text of the node and everything below it.
    std::string Text() const;
    // The node written as XML (UTF-8, no declaration).
    std::string Xml() const;

    TXmlDocument OwnerDocument() const;
    TXmlNode ParentNode() const;
    std::vector<TXmlNode> ChildNodes() const;

    // XPath evaluated with this node as context. Raise EXmlError for an invalid path or one
    // whose result is not a set of nodes.
    TXmlNode SelectSingleNode(std::string_view path) const;
    std::vector<TXmlNode> SelectNodes(std::string_view path) const;

    bool HasAttribute(std::string_view name) const;
    // "" when the attribute is missing or this is not an element.
    std::string GetAttribute(std::string_view name) const;
    // Raises EXmlError when this is not an element, or name or value is not valid.
    void SetAttribute(std::string_view name, std::string_view value) const;
    // (qualified name, value) of every attribute, in document order.
    std::vector<std::pair<std::string, std::string>> Attributes() const;

    // Creates an element and appends it as the last child. Raises EXmlError for an invalid
    // name, and for a second root element below the document node.
    TXmlNode AppendElement(std::string_view name) const;

    friend bool operator==(const TXmlNode& a, const TXmlNode& b) { return a.node_ == b.node_; }

private:
    friend class TXmlDocument;
    TXmlNode(std::shared_ptr<XmlTree> tree, _xmlNode* node);

    std::shared_ptr<XmlTree> tree_;
    _xmlNode* node_ = nullptr;
};

class TXmlDocument {
public:
    // A new, empty document.
    TXmlDocument();

    // Parses text as UTF-8 whatever encoding its declaration names (a text held in memory is
    // already decoded). Replaces the document's tree; on a parse error the tree is empty and
    // ParseError() tells why. Never validates, never reaches the network.
    bool LoadXml(std::string_view text);
    // Parses a file, honouring its declared encoding.
    bool Load(const std::string& fileName);
    // The reason of the last failed load; "" after a successful one.
    const std::string& ParseError() const;

    // The document node (parent of the root element): a context for paths and ChildNode.
    TXmlNode AsNode() const;
    // The root element; no node when the document has none.
    TXmlNode DocumentElement() const;
    TXmlNode SelectSingleNode(std::string_view path) const {
        return AsNode().SelectSingleNode(path);
    }
    std::vector<TXmlNode> SelectNodes(std::string_view path) const {
        return AsNode().SelectNodes(path);
    }
    // The document written as XML with a UTF-8 declaration; "" when it is empty.
    std::string Xml() const;

private:
    friend class TXmlNode;
    explicit TXmlDocument(std::shared_ptr<XmlTree> tree);

    std::shared_ptr<XmlTree> tree_;
};

// ---- Helpers the notification dialogs use ----------------------------------------------------

// A new, empty document that does not validate.
TXmlDocument NewXmlDocument();
// A new document holding the parsed text; a text that does not parse gives a document
// without a root element.
TXmlDocument LoadXmlText(std::string_view text);
// The first node the path selects below node (a plain name selects a child element of that
// name). When there is none and create is true, an element of that name is appended to node
// and returned. Raises EXmlError for an invalid path, or when an element must be created and
// the name is not a valid element name.
TXmlNode ChildNode(const TXmlNode& node, std::string_view nameOrPath, bool create);
// The attribute's value; "" when it is missing or element is no element.
std::string GetAttr(const TXmlNode& element, std::string_view name);
// Sets the attribute (see TXmlNode::SetAttribute).
void SetAttr(const TXmlNode& element, std::string_view name, std::string_view value);

// Makes a text that may lack a declaration or document type safe to parse: it gains the
// declaration <?xml version="1.0" encoding="GB2312"?> (or just the encoding attribute) and
// the document type <!DOCTYPE SC[<!ENTITY stdd "&amp;stdd;">]> that declares the entity
// "stdd" (so "&stdd;" reads as the literal text "&stdd;"), unless it has them already.
std::string PrepareXmlText(std::string_view text);
// LoadXmlText(PrepareXmlText(text)).
TXmlDocument ParseXmlText(std::string_view text);

// ---- Web-service call -----------------------------------------------------------------------

// Calls method of the web service at address with the request text through the outside
// library "CallWebService.dll" (function "CallWebServiceFx"), which writes the answer into
// a temporary file "~Orvex_<YYYYMMDDHHNNSSZZZ>.tmp" in GetTempDirectory(). Returns the
// answer's lines, each followed by "\r\n"; the file is deleted afterwards.
// Without the library or its function the answer is "" and nothing is raised. When the
// library wrote no answer (the service could not be reached or failed), raises EInOutError.
// When the program's last command-line argument is "T" (any case), the trace pause handler
// is called first.
std::string CallWebService(std::string_view address, std::string_view method,
                           std::string_view request);

// The library CallWebService loads; "CallWebService.dll" unless changed. A name with a folder
// is loaded from that folder only (tests point it at a folder without the library).
const std::string& WebServiceLibrary();
void SetWebServiceLibrary(std::string name);

// The trace pause: shows the message and returns when the user has closed it. By default a
// message dialog with an OK button, and nothing in a program without a user interface.
// Returns the previous handler.
using TracePauseHandler = std::function<void(const std::string& message)>;
TracePauseHandler SetTracePauseHandler(TracePauseHandler handler);
