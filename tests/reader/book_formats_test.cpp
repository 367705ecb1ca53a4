// E-books in other formats: real documents written by a converter read as the reader's own books,
// markup made into paragraphs and chapter stops, and hostile or foreign files refused by name.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reader/book_formats.h"
#include "reader/markup_text.h"
#include "reader/zip_archive.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

using namespace vt;

namespace {

// The lines of a book that are chapter stops, without their mark.
std::vector<std::string> ChapterStops(const std::string& text) {
  std::vector<std::string> stops;
  for (size_t at = text.find(">>"); at != std::string::npos; at = text.find(">>", at + 2)) {
    const bool lineStart = at == 0 || text.compare(at - 2, 2, "\r\n") == 0;
    stops.push_back(lineStart ? text.substr(at + 2, text.find("\r\n", at) - at - 2) : "(in running text)");
  }
  return stops;
}

std::string Body(const std::string& html) {
  BookWriter writer;
  HtmlToBook(html, writer);
  return writer.Book();
}

TEST(BookFormats, ConverterDocumentsReadWithTitleTextAndChapters) {
  struct Case {
    const char* file;
    BookFormat format;
    std::vector<std::string> stops;
  } cases[] = {
      {"story.html", BookFormat::Html, {"Café Stories", "The Arrival", "The Market", "The Return"}},
      {"story2.epub", BookFormat::Epub, {"Café Stories", "The Arrival", "The Market", "The Return"}},
      {"story3.epub", BookFormat::Epub, {"Café Stories", "The Arrival", "The Market", "The Return"}},
      {"story.docx", BookFormat::Docx, {"Café Stories", "The Arrival", "The Market", "The Return"}},
      {"story.odt", BookFormat::Odt, {"The Arrival", "The Market", "The Return"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = std::string(TEST_BOOKS_DIR) + "/" + c.file;
    EXPECT_EQ(BookFileFormat(path), c.format);
    EXPECT_EQ(BookFileTitle(path, c.format), "Café Stories");
    std::string text;
    ASSERT_EQ(ConvertBook(vt_test::ReadFile(path), c.file, text), c.format);
    EXPECT_TRUE(text.starts_with("Café Stories\r\n\r\n")) << text.substr(0, 40);
    EXPECT_EQ(ChapterStops(text), c.stops) << text;
    for (const char* words : {"Amélie reached the café at dawn — tired, but glad… “Bonjour,” she said; it was très early.",
                              "5 > 4 >\xE2\x80\x8B> 3 in the old town & nobody minded.", "crème fraîche\r\n\r\n",
                              "Señor Núñez waved goodbye. ¡Adiós!"})
      EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;
    EXPECT_EQ(text.find('<'), std::string::npos) << text;
  }
}

TEST(BookFormats, MarkupBecomesParagraphsAndStops) {
  struct Case {
    const char* html;
    const char* book;
  } cases[] = {
      {"<p>a&nbsp;b &mdash; c&hellip; it&rsquo;s &eacute;t&eacute; &#233; &#x2014; &amp;</p>",
       "a\xC2\xA0" "b — c… it’s été é — &"},
      {"<p>&bogus; &amp &#xZZ; &#1; 5 &lt; 6</p>", "&bogus; &amp &#xZZ; 5 < 6"},
      {"<p>a&#x2028;b&#xFEFF;c&#xFFFE;d</p><pre>e&#x2029;f</pre>", "a bcd\r\n\r\ne\r\nf"},
      {"<head><title>T</title><style>p{}</style></head><body><script>x<y</script><!-- c --><p>kept</p></body>", "kept"},
      {"<p>one\n   two\t three</p><div>four<br>five</div>", "one two three\r\n\r\nfour\r\n\r\nfive"},
      {"<h2>Part</h2><p>text</p><h4>minor</h4>", ">>Part\r\n\r\ntext\r\n\r\nminor"},
      {"<h1></h1><p>no empty stop</p>", "no empty stop"},
      {"<p>a >> b</p><p>&gt;&gt;c</p>", "a >\xE2\x80\x8B> b\r\n\r\n>\xE2\x80\x8B>c"},
      {"<pre>line one\n  indented</pre><p>after</p>", "line one\r\n  indented\r\n\r\nafter"},
      {"<ol><li>first</li><li>second</li></ol><ul><li>dot</li></ul>", "1. first\r\n\r\n2. second\r\n\r\n• dot"},
      {"<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>", "a\tb\r\n\r\nc"},
      {"<p>see <img src='x.png' alt=\"a map\"/> here <img src=y.png></p>", "see a map here"},
      {"<p title='x>y'>quoted > kept</p><p>a < b</p>", "quoted > kept\r\n\r\na < b"},
      {"<!DOCTYPE x [<!ENTITY boom \"BOOM\">]><p>&boom;</p>", "&boom;"},
  };
  for (const Case& c : cases) EXPECT_EQ(Body(c.html), c.book) << c.html;
}

TEST(BookFormats, DeclaredEncodingsDecide) {
  struct Case {
    std::string bytes;
    const char* title;
  } cases[] = {
      {"<html><head><meta charset=\"windows-1252\"><title>Caf\xE9 \x93quoted\x94</title>", "Café “quoted”"},
      {"<?xml version='1.0' encoding='ISO-8859-1'?><html><title>Caf\xE9</title>", "Café"},
      {"<html><head><meta charset=utf-8><title>Caf\xC3\xA9</title>", "Café"},
      {std::string("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0\xE9\0<\0/\0t\0i\0t\0l\0e\0>\0", 34), "é"},
      {std::string("<\0t\0i\0t\0l\0e\0>\0\xE9\0<\0/\0t\0i\0t\0l\0e\0>\0", 32), "é"},
  };
  for (const Case& c : cases) {
    std::string text;
    EXPECT_EQ(ConvertBook(c.bytes, "page.html", text), BookFormat::Html);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), c.title);
  }
}

TEST(BookFormats, EpubSpineOrderAndContentsTitles) {
  std::string epub = vt_test::MakeZip({
      {"mimetype", "application/epub+zip", 0},
      {"META-INF/container.xml", "<container><rootfile full-path='o/p.opf'/></container>"},
      {"o/p.opf",
       "<package><metadata><dc:title>Spine &amp; Order</dc:title></metadata><manifest>"
       "<item id='n' href='nav.xhtml' properties='nav' media-type='application/xhtml+xml'/>"
       "<item id='a' href='x/a%20b.xhtml' media-type='application/xhtml+xml'/>"
       "<item id='b' href='../o/b.xhtml' media-type='application/xhtml+xml'/>"
       "<item id='c' href='c.xhtml' media-type='application/xhtml+xml'/>"
       "<item id='gone' href='gone.xhtml' media-type='application/xhtml+xml'/></manifest>"
       "<spine><itemref idref='c' linear='no'/><itemref idref='a'/><itemref idref='gone'/><itemref idref='b'/></spine></package>"},
      {"o/nav.xhtml", "<nav epub:type='toc'><ol><li><a href='x/a%20b.xhtml#top'>First</a></li><li><a href='b.xhtml'>Second</a></li></ol></nav>"},
      {"o/x/a b.xhtml", "<html><body><p>alpha</p></body></html>"},
      {"o/b.xhtml", "<html><body><h2>Own heading</h2><p>beta</p></body></html>"},
      {"o/c.xhtml", "<html><body><p>notes</p></body></html>"},
  });
  std::string text;
  ASSERT_EQ(ConvertBook(epub, "spine.epub", text), BookFormat::Epub);
  EXPECT_EQ(text, "Spine & Order\r\n\r\n>>First\r\n\r\nalpha\r\n\r\n>>Own heading\r\n\r\nbeta\r\n\r\nnotes");
}

TEST(BookFormats, ForeignAndHostileFilesAreRefusedByName) {
  const std::string tenMegabytesOfZeros(10u << 20, '\0');
  std::mt19937 random(7);
  std::string noise(5000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<div>";
  deep = "<html><body>" + deep + "deep text";
  const std::string book = "<p>text</p>";
  struct Case {
    const char* name;
    std::string bytes;
    BookFormat format;
  } cases[] = {
      {"PDF", "%PDF-1.7\n1 0 obj << /Type /Catalog >>\n", BookFormat::Pdf},
      {"random binary", noise, BookFormat::NotABook},
      {"ZIP of no document", vt_test::MakeZip({{"photo.jpg", "jpeg"}}), BookFormat::NotABook},
      {"protected EPUB", vt_test::MakeEpub("P", {book}, false, {{"META-INF/encryption.xml",
          "<encryption><EncryptedData><EncryptionMethod Algorithm='http://www.w3.org/2001/04/xmlenc#aes128-cbc'/></EncryptedData></encryption>"}}),
       BookFormat::Protected},
      {"obfuscated fonts only", vt_test::MakeEpub("F", {book}, false, {{"META-INF/encryption.xml",
          "<encryption><EncryptionMethod Algorithm='http://www.idpf.org/2008/embedding'/></encryption>"}}),
       BookFormat::Epub},
      {"ZIP64", vt_test::MakeEpub("Z", {book}, true), BookFormat::Epub},
      {"encrypted entry", vt_test::MakeZip({{"mimetype", "application/epub+zip", 0}, {"META-INF/container.xml", "<rootfile full-path='a'/>", 8, 1}}),
       BookFormat::Protected},
      {"wrong CRC", vt_test::MakeZip({{"META-INF/container.xml", "<rootfile full-path='a'/>", 8, 0, std::nullopt, 1}}), BookFormat::Damaged},
      {"other method", vt_test::MakeZip({{"META-INF/container.xml", "<rootfile full-path='a'/>", 12}}), BookFormat::Damaged},
      {"truncated", vt_test::MakeEpub("T", {book}).substr(0, 300), BookFormat::Damaged},
      {"claims 1 GB", vt_test::MakeZip({{"META-INF/container.xml", "x", 8, 0, uint64_t{1} << 30}}), BookFormat::TooLarge},
      {"ratio bomb", vt_test::MakeZip({{"META-INF/container.xml", tenMegabytesOfZeros}}), BookFormat::TooLarge},
      {"inflates past its claim", vt_test::MakeZip({{"META-INF/container.xml", tenMegabytesOfZeros, 8, 0, 65536}}), BookFormat::Damaged},
      {"compressed far past its content", vt_test::MakeZip({{"META-INF/container.xml", noise, 8, 0, 10}}), BookFormat::Damaged},
      {"100,000 nested elements", deep, BookFormat::Html},
      {"a megabyte of '&' without ';'", "<html>" + std::string(1u << 20, '&') + " deep text", BookFormat::Html},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    EXPECT_EQ(ConvertBook(c.bytes, "file", text), c.format);
    if (c.format == BookFormat::Html) {
      EXPECT_TRUE(text.ends_with("deep text"));
    }
    EXPECT_EQ(text.find("PK"), std::string::npos);
  }
}

TEST(BookFormats, ArchiveCapsHoldAtTheLimitAndOnePast) {
  std::vector<vt_test::ZipItem> many(LargestZipEntryCount, {"e", "", 0});
  for (size_t count : {LargestZipEntryCount, LargestZipEntryCount + 1}) {
    many.resize(count, {"e", "", 0});
    const std::string zip = vt_test::MakeZip(many);
    ZipArchive archive;
    EXPECT_EQ(OpenZipArchive(ZipBytes(zip), zip.size(), archive), count > LargestZipEntryCount ? ZipStatus::TooLarge : ZipStatus::Ok);
  }
  for (uint64_t size : {LargestZipEntry, LargestZipEntry + 1}) {
    // stored bytes enough for the ratio: only the size decides (and the stored size, then, mismatches)
    const std::string zip = vt_test::MakeZip({{"big", std::string(LargestZipEntry / LargestZipRatio + 1, 'x'), 0, 0, size}});
    ZipArchive archive;
    ASSERT_EQ(OpenZipArchive(ZipBytes(zip), zip.size(), archive), ZipStatus::Ok);
    std::string out;
    EXPECT_EQ(ReadZipEntry(archive, "big", out), size > LargestZipEntry ? ZipStatus::TooLarge : ZipStatus::Damaged);
  }
}

TEST(BookFormats, GutenbergChaptersBecomeStops) {
  std::string text =
      "The Project Gutenberg eBook\r\n\r\n*** START OF THE PROJECT GUTENBERG EBOOK TALES ***\r\n\r\nCHAPTER I.\r\n\r\n"
      "It began.\r\nCHAPTER II. not after a blank line\r\n\r\nBOOK TWO\r\n\r\nChapter 3\r\n\r\nCHAPTERS are words.\r\n";
  const size_t start = MarkGutenbergText(text);
  EXPECT_EQ(text.substr(start, 2), "\r\n");
  EXPECT_EQ(ChapterStops(text), (std::vector<std::string>{"CHAPTER I.", "BOOK TWO", "Chapter 3"}));
  std::string plain = "\r\nCHAPTER I.\r\n";
  EXPECT_EQ(MarkGutenbergText(plain), 0u);
  EXPECT_EQ(plain, "\r\nCHAPTER I.\r\n");
}

TEST(BookFormats, SizeIsCheckedBeforeAnythingIsRead) {
  vt_test::TempFolder folder;
  const std::string huge = folder / "huge.epub", tiny = folder / "tiny.txt";
  std::filesystem::resize_file((vt_test::WriteFile(huge, ""), huge), uint64_t{8} << 30);  // sparse: no disk used
  vt_test::WriteFile(tiny, "Tiny\r\n");
  EXPECT_EQ(BookFileFormat(huge), BookFormat::TooLarge);
  EXPECT_EQ(BookFileFormat(tiny), BookFormat::Text);
  EXPECT_EQ(BookFileFormat(folder.path()), BookFormat::Missing);
  EXPECT_EQ(BookFileFormat(folder / "none"), BookFormat::Missing);
}

}  // namespace
