#include "ui/skin/markup_document.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"

namespace {

using ui::MarkupDocument;
using ui::MarkupNode;

struct ParseCase {
  const char* what;
  std::wstring text;
  const wchar_t* message;   // nullptr: parses
  const wchar_t* location;  // start of the error location
};

class MarkupParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(MarkupParseTest, ParsesOrFailsWithItsMessage) {
  const ParseCase& c = GetParam();
  MarkupDocument doc;
  const bool ok = doc.LoadText(c.text.c_str());
  if (!c.message) {
    EXPECT_TRUE(ok) << doc.GetErrorMessage() << " at " << doc.GetErrorLocation();
    return;
  }
  ASSERT_FALSE(ok);
  EXPECT_STREQ(c.message, doc.GetErrorMessage());
  EXPECT_EQ(0u, std::wstring(doc.GetErrorLocation()).find(c.location))
      << "location: " << doc.GetErrorLocation();
  EXPECT_FALSE(doc.GetRoot().IsValid());
}

std::wstring Nested(int depth) {
  std::wstring text;
  for (int i = 0; i < depth; ++i) text += L"<Box>";
  for (int i = 0; i < depth; ++i) text += L"</Box>";
  return text;
}

const ParseCase kParseCases[] = {
    {"only comments and declarations", L"<?xml version=\"1.0\"?>\n<!-- c -->  ", nullptr, L""},
    {"root left open", L"<Window><Label/><Label></Label>", nullptr, L""},
    {"second level left open", L"<Window><VBox><Label/>", L"Expected start tag", L""},
    {"third level content left open", L"<Window><VBox><Label>text", L"Expected end-tag start", L""},
    {"single-quoted value", L"<Box a='1'/>", L"Expected attribute value", L"1'/>"},
    {"attribute without =", L"<Box a b=\"1\"/>", L"Error while parsing attributes", L"b=\"1\"/>"},
    {"value without closing quote", L"<Box a=\"1/>", L"Error while parsing attribute string", L""},
    {"hyphen in element name", L"<my-box a=\"1\"/>", L"Error while parsing attributes", L"a=\"1\""},
    {"other end tag", L"<Box></Label>", L"Unmatched closing tag", L"Label>"},
    {"end tag only beginning with the name", L"<Box></BoxX>", L"Unmatched closing tag", L">"},
    {"junk before end tag's >", L"<Box></Box x>", L"Unmatched closing tag", L">"},
    {"text after a child", L"<Window><Box/>tail</Window>", L"Expected start tag", L"tail"},
    {"text before the first child", L"<Window>head<Box/></Window>", nullptr, L""},
    {"text at the top", L"hello", L"Expected start tag", L"hello"},
    {"name runs into the end", L"<Window", L"Error parsing element name", L""},
    {"start tag not closed", L"<Box a=\"1\"/ >", L"Expected start-tag closing", L"/ >"},
    {"bad entities stay literal", L"<Box a=\"&bogus; &#65; &\"/>", nullptr, L""},
    {"nesting at the limit", Nested(MarkupDocument::kMaxDepth + 1), nullptr, L""},
    {"nesting past the limit", Nested(MarkupDocument::kMaxDepth + 2), L"Elements nested too deeply",
     L"<Box>"},
    {"very deep nesting", Nested(100000), L"Elements nested too deeply", L"<Box>"},
};

INSTANTIATE_TEST_SUITE_P(Table, MarkupParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(MarkupDocumentTest, TreeLinksNamesAndText) {
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadText(
      L"<?xml version=\"1.0\"?><Window size=\"1,2\">\r\n <VBox><Label text=\"a\"/>"
      L"<Box /></VBox><Option>x &lt; y</Option></Window>"));
  MarkupNode root = doc.GetRoot();
  ASSERT_TRUE(root.IsValid());
  EXPECT_STREQ(L"Window", root.Name());
  MarkupNode vbox = root.FirstChild();
  EXPECT_STREQ(L"VBox", vbox.Name());
  MarkupNode label = vbox.FirstChild();
  EXPECT_STREQ(L"Label", label.Name());
  MarkupNode box = label.NextSibling();
  EXPECT_STREQ(L"Box", box.Name());
  EXPECT_FALSE(box.HasChildren());
  EXPECT_STREQ(L"", box.Text());
  EXPECT_FALSE(box.NextSibling().IsValid());
  MarkupNode option = vbox.NextSibling();
  EXPECT_STREQ(L"Option", option.Name());
  EXPECT_STREQ(L"x < y", option.Text());
  EXPECT_STREQ(L"1,2", root.AttributeValue(0));
  EXPECT_EQ(6u, doc.element_count());
}

TEST(MarkupDocumentTest, OpenRootKeepsItsOwnName) {
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadText(L"<Window><Label/>"));
  EXPECT_STREQ(L"Window", doc.GetRoot().Name());
  EXPECT_STREQ(L"Label", doc.GetRoot().FirstChild().Name());
}

TEST(MarkupDocumentTest, AttributesDecodedAndIndexed) {
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadText(
      L"<Box a=\"&amp;&#38;\" b = \"&quot;q&apos;\"c=\"&lt;&gt;\" d=\"\">text</Box>"));
  MarkupNode node = doc.GetRoot();
  ASSERT_EQ(4, node.AttributeCount());
  const wchar_t* expected[][2] = {
      {L"a", L"&&#38;"}, {L"b", L"\"q'"}, {L"c", L"<>"}, {L"d", L""}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(expected[i][0], node.AttributeName(i));
    EXPECT_STREQ(expected[i][1], node.AttributeValue(i));
  }
  EXPECT_STREQ(L"", node.AttributeName(4));
  EXPECT_STREQ(L"text", node.Text());
}

TEST(MarkupDocumentTest, OnlyFirstSixtyFourAttributesVisible) {
  std::wstring text = L"<Box";
  for (int i = 0; i < 65; ++i) text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
  text += L"/>";
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadText(text.c_str()));
  MarkupNode node = doc.GetRoot();
  EXPECT_EQ(64, node.AttributeCount());
  EXPECT_STREQ(L"a63", node.AttributeName(63));
  EXPECT_STREQ(L"63", node.AttributeValue(63));
  EXPECT_STREQ(L"", node.AttributeValue(64));
}

TEST(MarkupDocumentTest, ReloadReplacesAndFailureReleases) {
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadText(L"<A><B/></A>"));
  ASSERT_TRUE(doc.LoadText(L"<C/>"));
  EXPECT_STREQ(L"C", doc.GetRoot().Name());
  EXPECT_FALSE(doc.GetRoot().HasChildren());
  EXPECT_EQ(2u, doc.element_count());
  EXPECT_FALSE(doc.LoadText(L"<C"));
  EXPECT_EQ(0u, doc.element_count());
  ASSERT_TRUE(doc.LoadText(L"<D/>"));
  EXPECT_STREQ(L"", doc.GetErrorMessage());
}

TEST(MarkupDocumentTest, TextTooLargeIsRefused) {
  std::wstring text = L"<A>";
  text.append(MarkupDocument::kMaxTextChars, L'x');
  MarkupDocument doc;
  EXPECT_FALSE(doc.LoadText(text.c_str()));
  EXPECT_STREQ(L"Text too large", doc.GetErrorMessage());
}

TEST(MarkupDocumentTest, ByteOrderMarkDroppedOnEveryRoad) {
  MarkupDocument doc;
  EXPECT_TRUE(doc.LoadText(L"\xFEFF<A/>"));
  EXPECT_STREQ(L"A", doc.GetRoot().Name());
  const std::string utf8 = "\xEF\xBB\xBF<B t=\"\xED\x95\x9C\"/>";
  ASSERT_TRUE(doc.LoadUtf8(utf8.data(), utf8.size()));
  EXPECT_STREQ(L"B", doc.GetRoot().Name());
  EXPECT_STREQ(L"\xD55C", doc.GetRoot().AttributeValue(0));
}

TEST(MarkupDocumentTest, Utf8ReadByExactSize) {
  // No terminator after the bytes: only `size` of them may be read.
  const char bytes[] = {'<', 'A', '/', '>', '<', 'B'};
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadUtf8(bytes, 4));
  EXPECT_STREQ(L"A", doc.GetRoot().Name());
  EXPECT_FALSE(doc.GetRoot().NextSibling().IsValid());
  const std::string with_nul("<A/>\0<B", 7);
  ASSERT_TRUE(doc.LoadUtf8(with_nul.data(), with_nul.size()));
  EXPECT_EQ(2u, doc.element_count());
}

TEST(MarkupDocumentTest, LoadFileLimitsAndRoots) {
  testing_support::TempFolder folder;
  const std::wstring root = folder.path() + L"\\";
  std::string at_limit = "<A/>";
  at_limit.resize(MarkupDocument::kMaxFileBytes, ' ');
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"limit.xml"), at_limit));
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"over.xml"), at_limit + " "));
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"empty.xml"), ""));
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"bom.xml"), "\xEF\xBB\xBF<Bom/>"));

  // The absolute path must not be put under the (wrong) root given with it.
  const std::wstring wrong_root = L"Q:\\nowhere\\";
  struct {
    std::wstring path;
    std::wstring root;
    const wchar_t* message;
  } cases[] = {
      {L"limit.xml", root, L""},
      {L"over.xml", root, L"File too large"},
      {L"empty.xml", root, L"File is empty"},
      {L"missing.xml", root, L"Error opening file"},
      {L"bom.xml", root, L""},
      {folder.Join(L"bom.xml"), wrong_root, L""},
  };
  for (const auto& c : cases) {
    MarkupDocument doc;
    EXPECT_EQ(c.message[0] == 0, doc.LoadFile(c.path, c.root)) << c.path;
    EXPECT_STREQ(c.message, doc.GetErrorMessage()) << c.path;
  }
  MarkupDocument doc;
  ASSERT_TRUE(doc.LoadFile(L"bom.xml", root));
  EXPECT_STREQ(L"Bom", doc.GetRoot().Name());
}

}  // namespace
