// XML documents, nodes, paths and attributes, and the preparation of texts for parsing.
#include "XmlHelpers.h"
#include "core_test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string Declaration = R"(<?xml version="1.0" encoding="GB2312"?>)";
const std::string EntityDeclaration = R"(<!DOCTYPE SC[<!ENTITY stdd "&amp;stdd;">]>)";

TEST(PrepareXmlText, DeclarationAndEntityAreAddedWhereMissing) {
    const std::string longComment = "<!--" + std::string(120, 'c') + "-->";
    struct Case {
        std::string name, text, expected;
        bool parses;
    };
    const std::vector<Case> cases{
        {"bare root", "<Root/>", Declaration + EntityDeclaration + "<Root/>", true},
        {"declaration without encoding", R"(<?xml version="1.0"?><Root/>)",
         R"(<?xml version="1.0" encoding="GB2312"?>)" + EntityDeclaration + "<Root/>", true},
        {"declaration with encoding", R"(<?xml version="1.0" encoding="UTF-8"?><Root/>)",
         R"(<?xml version="1.0" encoding="UTF-8"?>)" + EntityDeclaration + "<Root/>", true},
        {"complete", R"(<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE Root><Root/>)",
         R"(<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE Root><Root/>)", true},
        {"document type only", "<!DOCTYPE Root><Root/>", Declaration + "<!DOCTYPE Root><Root/>",
         true},
        {"line breaks in the head", "<?xml version=\"1.0\"?>\r\n<!DOCTYPE Root>\r\n<Root/>",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<!DOCTYPE Root>\r\n<Root/>", true},
        {"document type after a long comment",
         R"(<?xml version="1.0" encoding="UTF-8"?>)" + longComment + "<!DOCTYPE Root><Root/>",
         R"(<?xml version="1.0" encoding="UTF-8"?>)" + longComment + "<!DOCTYPE Root><Root/>",
         true},
        {"document type text inside the root", "<Root><![CDATA[<!DOCTYPE x>]]></Root>",
         Declaration + EntityDeclaration + "<Root><![CDATA[<!DOCTYPE x>]]></Root>", true},
        {"empty text", "", Declaration + EntityDeclaration, false},
        {"unterminated declaration", R"(<?xml version="1.0")", R"(<?xml version="1.0")", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string prepared = PrepareXmlText(c.text);
        EXPECT_EQ(prepared, c.expected);
        EXPECT_EQ(static_cast<bool>(LoadXmlText(prepared).DocumentElement()), c.parses);
    }
}

TEST(ParseXmlText, TheStddEntityReadsAsItsOwnLiteralText) {
    const TXmlDocument doc = ParseXmlText(R"(<Root a="x&stdd;">y&stdd;</Root>)");
    const TXmlNode root = doc.DocumentElement();
    ASSERT_TRUE(root) << doc.ParseError();
    EXPECT_EQ(root.Text(), "y&stdd;");
    EXPECT_EQ(GetAttr(root, "a"), "x&stdd;");
}

TEST(LoadXmlText, TextInMemoryIsUtf8WhateverItsDeclarationSays) {
    for (const char* encoding : {"GB2312", "Big5", "UTF-16", "ISO-8859-1", "no-such"}) {
        const TXmlDocument doc = LoadXmlText(R"(<?xml version="1.0" encoding=")" +
                                             std::string(encoding) + R"("?><Root Name="中文"/>)");
        ASSERT_TRUE(doc.DocumentElement()) << encoding << ": " << doc.ParseError();
        EXPECT_EQ(GetAttr(doc.DocumentElement(), "Name"), "中文") << encoding;
    }
}

TEST(LoadXmlText, TextThatDoesNotParseGivesADocumentWithoutRoot) {
    std::string laughs = "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    for (char level = 'b'; level <= 'j'; ++level) {
        laughs += "<!ENTITY " + std::string(1, level) + " \"";
        for (int i = 0; i < 10; ++i) {
            laughs += "&" + std::string(1, static_cast<char>(level - 1)) + ";";
        }
        laughs += "\">";
    }
    laughs += "]><r>&j;</r>";
    const std::vector<std::string> cases{
        "",
        "not xml",
        "<Root><Open></Root>",
        "<Root>\xD6\xD0\xCE\xC4</Root>", // GB bytes are not UTF-8
        std::string("<Root>\0</Root>", 14),
        "<Root>&undefined;</Root>",
        "<Root/><Second/>",
        R"(<!DOCTYPE r [<!ENTITY e SYSTEM "file:///etc/passwd">]><r>&e;</r>)",
        laughs,
    };
    for (const std::string& text : cases) {
        TXmlDocument doc = LoadXmlText(text);
        const TXmlNode root = doc.DocumentElement();
        if (root) { // only the external entity may parse, and it must stay unread
            EXPECT_EQ(root.Text().find("root:"), std::string::npos);
            continue;
        }
        EXPECT_FALSE(doc.ParseError().empty()) << text;
        EXPECT_EQ(doc.Xml(), "");
    }
}

TEST(XmlFile, AFileIsReadInItsDeclaredEncoding) {
    coretest::TempDir dir;
    const std::string file = dir.Write("Form.Lng", "<?xml version=\"1.0\" encoding=\"GB2312\"?>"
                                                   "<TfrmQmer04 Caption=\"\xD6\xD0\xCE\xC4\"/>");
    TXmlDocument doc;
    ASSERT_TRUE(doc.Load(file)) << doc.ParseError();
    EXPECT_EQ(GetAttr(doc.DocumentElement(), "Caption"), "中文");
    EXPECT_FALSE(doc.Load(dir.Path().string() + "/missing.Lng"));
    EXPECT_FALSE(doc.ParseError().empty());
    EXPECT_FALSE(doc.DocumentElement());
}

// ---- Nodes and paths ------------------------------------------------------------------------

TEST(ChildNode, FindsByNameOrPathAndCreatesOnlyPlainNames) {
    const TXmlDocument doc =
        LoadXmlText(R"(<Root><R1 ID="a"/><Field name="Id" value="7"/></Root>)");
    const TXmlNode root = doc.DocumentElement();

    EXPECT_FALSE(ChildNode(root, "R2", false));
    const TXmlNode created = ChildNode(root, "R2", true);
    ASSERT_TRUE(created);
    EXPECT_EQ(created.Name(), "R2");
    EXPECT_TRUE(created.ChildNodes().empty());
    EXPECT_TRUE(created.Attributes().empty());
    EXPECT_EQ(root.ChildNodes().back(), created);
    EXPECT_EQ(ChildNode(root, "R2", true), created);
    EXPECT_EQ(root.ChildNodes().size(), 3u);

    EXPECT_EQ(GetAttr(ChildNode(root, "Field[@name='Id']", false), "value"), "7");
    EXPECT_EQ(ChildNode(root, "R1/@ID", false).Text(), "a");
    EXPECT_EQ(ChildNode(doc.AsNode(), "Root", true), root);

    for (const char* path : {"Field[@name='Name']", "R1/Missing", "[", "count(*)", ""}) {
        EXPECT_THROW(ChildNode(root, path, true), EXmlError) << path;
    }
    EXPECT_EQ(root.ChildNodes().size(), 3u);
    EXPECT_THROW(ChildNode(doc.AsNode(), "Second", true), EXmlError);
    EXPECT_THROW(ChildNode(TXmlNode(), "R1", false), EXmlError);
}

TEST(ChildNode, MakesTheRootOfAnEmptyDocument) {
    const TXmlDocument doc = NewXmlDocument();
    EXPECT_FALSE(doc.DocumentElement());
    EXPECT_EQ(doc.Xml(), "");
    const TXmlNode root = ChildNode(doc.AsNode(), "Root", true);
    EXPECT_EQ(doc.DocumentElement(), root);
    EXPECT_NE(doc.Xml().find("<Root/>"), std::string::npos);
}

TEST(XmlPaths, RecordsAnywhereAreSelectedInDocumentOrder) {
    const TXmlDocument doc = ParseXmlText(R"(<Response><Status code="0" Description="好"/>)"
                                          R"(<Record><Field name="Id" value="u1"/>)"
                                          R"(<Field name="Name" value="张三"/></Record>)"
                                          R"(<Group><Record><Field name="Id" value="u2"/>)"
                                          R"(</Record></Group></Response>)");
    const std::vector<TXmlNode> records = doc.SelectNodes("//Record");
    ASSERT_EQ(records.size(), 2u);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const TXmlNode& record : records) {
        pairs.emplace_back(GetAttr(ChildNode(record, "Field[@name='Id']", false), "value"),
                           GetAttr(ChildNode(record, "Field[@name='Name']", false), "value"));
    }
    EXPECT_EQ(pairs,
              (std::vector<std::pair<std::string, std::string>>{{"u1", "张三"}, {"u2", ""}}));
    EXPECT_EQ(GetAttr(doc.SelectSingleNode("//Status[@code]"), "Description"), "好");
    EXPECT_TRUE(doc.SelectNodes("//Record/namespace::*").empty());
}

TEST(XmlNodes, BlanksBetweenElementsAreNoNodes) {
    const TXmlDocument doc = LoadXmlText("<Root>\n  <A/>\r\n  <B> text </B>\n</Root>");
    const std::vector<TXmlNode> children = doc.DocumentElement().ChildNodes();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[1].Text(), " text ");
    EXPECT_EQ(LoadXmlText("<Root a='甲'>中文</Root>").DocumentElement().Xml(),
              "<Root a=\"甲\">中文</Root>");
}

// ---- Attributes -----------------------------------------------------------------------------

TEST(XmlAttributes, ReceiverElementsKeepTheirAttributeOrderAndEscaping) {
    const TXmlDocument doc = LoadXmlText(Declaration + "<Root/>");
    const TXmlNode root = doc.DocumentElement();
    const TXmlNode receiver = ChildNode(root, "R1", true);
    SetAttr(receiver, "ID", "u&<\"'>");
    SetAttr(receiver, "Name", "");
    SetAttr(receiver, "Type", "5");
    SetAttr(receiver, "Msg", "YNN");
    SetAttr(receiver, "Name", "王五"); // setting again keeps the attribute's place
    EXPECT_EQ(root.Xml(),
              R"(<Root><R1 ID="u&amp;&lt;&quot;'&gt;" Name="王五" Type="5" Msg="YNN"/></Root>)");

    const TXmlNode again =
        ChildNode(LoadXmlText(Declaration + root.Xml()).DocumentElement(), "R1", false);
    EXPECT_EQ(again.Attributes(), receiver.Attributes());
    EXPECT_EQ(GetAttr(again, "ID"), "u&<\"'>");
    EXPECT_EQ(GetAttr(again, "Missing"), "");
    EXPECT_FALSE(again.HasAttribute("Missing"));
    EXPECT_TRUE(again.HasAttribute("Name"));
    EXPECT_EQ(GetAttr(TXmlNode(), "ID"), "");
}

TEST(XmlAttributes, InvalidNamesValuesAndTargetsAreRefused) {
    const TXmlNode root = LoadXmlText("<Root>text</Root>").DocumentElement();
    const std::vector<std::string> names{"", "1x", "a b", "a<b", std::string("a\0b", 3)};
    for (const std::string& name : names) {
        EXPECT_THROW(SetAttr(root, name, "v"), EXmlError) << name;
    }
    EXPECT_THROW(SetAttr(root, "a", "\xD6\xD0"), EXmlError);
    EXPECT_THROW(SetAttr(TXmlNode(), "a", "v"), EXmlError);
    EXPECT_THROW(SetAttr(root.ChildNodes().front(), "a", "v"), EXmlError);
    EXPECT_EQ(root.Xml(), "<Root>text</Root>");
}

// ---- Ownership ------------------------------------------------------------------------------

TEST(XmlOwnership, NodesKeepTheirTreeAlive) {
    TXmlNode root;
    {
        const TXmlDocument doc = LoadXmlText(R"(<Root a="1"><A/></Root>)");
        root = doc.DocumentElement();
    }
    EXPECT_EQ(root.Name(), "Root");
    ChildNode(root, "B", true);
    EXPECT_EQ(root.Xml(), R"(<Root a="1"><A/><B/></Root>)");

    // An attribute node stays valid when its value is set again.
    const TXmlNode attribute = root.SelectSingleNode("@a");
    SetAttr(root, "a", "2");
    EXPECT_EQ(attribute.Text(), "2");
    EXPECT_TRUE(attribute.ChildNodes().empty());

    // Reloading gives the document a new tree; nodes of the old one stay usable.
    TXmlDocument doc = LoadXmlText("<Old><Child/></Old>");
    const TXmlNode oldChild = doc.SelectSingleNode("/Old/Child");
    const TXmlDocument copy = doc;
    ASSERT_TRUE(doc.LoadXml("<New/>"));
    EXPECT_EQ(oldChild.ParentNode().Name(), "Old");
    EXPECT_EQ(copy.DocumentElement().Name(), "New");
    EXPECT_FALSE(doc.LoadXml("<broken"));
    EXPECT_FALSE(copy.DocumentElement());
    EXPECT_EQ(oldChild.Xml(), "<Child/>");
}

} // namespace
