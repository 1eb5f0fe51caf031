// Password-to-open encryption: the cipher by stream position, FILEPASS, the bytes kept in clear,
// workbooks written with a password and read back, the password errors, and workbooks LibreOffice
// encrypted (tests/crypt/make_fixtures.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "biff/legacy/legacy_document.h"
#include "biff/stream/xls_crypt.h"
#include "biff/tests/crypt/crypt_fixture.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/unicode.h"
#include "tools/sheet-dump/sheet_dump.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"

namespace biff::testing {
namespace {

namespace wb = workbook;
namespace fs = std::filesystem;

const fs::path kFixtures = THC_CRYPT_FIXTURES;
// The password of the LibreOffice fixture (lo_password.py).
const std::u16string kLOPassword = u"温度Pass-42";

core::Bytes ReadFileBytes(const fs::path& P) {
  std::ifstream in(P, std::ios::binary);
  EXPECT_TRUE(in.good()) << P;
  return core::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

core::Bytes Pattern(std::size_t N, std::uint8_t Seed) {
  core::Bytes b(N);
  for (std::size_t i = 0; i < N; ++i) b[i] = static_cast<std::uint8_t>(Seed + i * 7 + (i >> 9));
  return b;
}

TXLSRC4Cipher::TSalt Salt(std::uint8_t Seed) {
  TXLSRC4Cipher::TSalt s;
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(Seed + 13 * i);
  return s;
}

TEST(XLSCipher, KeyStreamBelongsToThePosition) {
  // The whole range in one call is the reference; the same bytes in pieces, in any order and
  // across the block changes at 1024 and 2048, must give the same result.
  const core::Bytes plain = Pattern(3000, 3);
  core::Bytes whole = plain;
  TXLSRC4Cipher(u"secret", Salt(1)).Crypt(0, whole.data(), whole.size());
  EXPECT_NE(whole, plain);
  struct Piece {
    std::uint32_t from, to;
  };
  const std::vector<std::vector<Piece>> orders = {
      {{0, 1020}, {1020, 1030}, {1030, 2048}, {2048, 3000}},
      {{2040, 2050}, {0, 4}, {1023, 1025}, {4, 1023}, {1025, 2040}, {2050, 3000}},  // backwards too
      {{0, 1024}, {1024, 2048}, {2048, 3000}},  // ends exactly on block edges
  };
  for (const auto& order : orders) {
    TXLSRC4Cipher c(u"secret", Salt(1));
    core::Bytes data = plain;
    for (const Piece& p : order) c.Crypt(p.from, data.data() + p.from, p.to - p.from);
    EXPECT_EQ(data, whole) << "pieces starting at " << order[0].from;
    // The same operation decrypts.
    TXLSRC4Cipher(u"secret", Salt(1)).Crypt(0, data.data(), data.size());
    EXPECT_EQ(data, plain);
  }
  // Another salt or another password: another key stream.
  for (const auto& [pw, salt] : {std::pair{u"secret", 2}, std::pair{u"Secret", 1}}) {
    core::Bytes other = plain;
    TXLSRC4Cipher(pw, Salt(static_cast<std::uint8_t>(salt))).Crypt(0, other.data(), other.size());
    EXPECT_NE(other, whole);
  }
}

TEST(XLSCipher, OnlyTheFirst31CharactersOfAPasswordCount) {
  const std::u16string p31 = u"abcdefghijklmnopqrstuvwxyz01234";
  ASSERT_EQ(p31.size(), 31u);
  struct Case {
    std::u16string other;
    bool same;
  } cases[] = {{p31 + u"567890123", true}, {p31.substr(0, 30), false}, {p31.substr(0, 30) + u"X", false}};
  std::uint8_t body[kFilePassSize];
  InitFilePass(body, p31);
  const core::ByteSpan fp(body, sizeof body);
  for (const auto& c : cases) EXPECT_EQ(TXLSStream::VerifyPassword(fp, c.other), c.same) << core::u8(c.other);
}

TEST(FilePass, NewBodiesCheckTheirPasswordAndDifferInSaltAndVerifier) {
  std::uint8_t a[kFilePassSize], b[kFilePassSize];
  InitFilePass(a, u"geheim");
  InitFilePass(b, u"geheim");
  EXPECT_EQ(core::load_le16(a), 1);
  EXPECT_EQ(core::load_le16(a + 2), 1);
  EXPECT_EQ(core::load_le16(a + 4), 1);
  EXPECT_FALSE(std::equal(a + 6, a + 22, b + 6)) << "salt";
  EXPECT_FALSE(std::equal(a + 22, a + 54, b + 22)) << "verifier";
  for (const std::uint8_t* body : {a, b}) {
    const core::ByteSpan fp(body, kFilePassSize);
    EXPECT_TRUE(TXLSStream::VerifyPassword(fp, u"geheim"));
    EXPECT_FALSE(TXLSStream::VerifyPassword(fp, u"Geheim"));
    EXPECT_FALSE(TXLSStream::VerifyPassword(fp, u""));
  }
  // The stream takes a key only from a password that opens the body.
  TXLSStream s;
  EXPECT_FALSE(s.SetReadPassword(core::ByteSpan(a, kFilePassSize), u"falsch"));
  EXPECT_FALSE(s.Encrypted());
  EXPECT_EQ(s.Cipher(), nullptr);
  EXPECT_TRUE(s.SetReadPassword(core::ByteSpan(a, kFilePassSize), u"geheim"));
  EXPECT_TRUE(s.Encrypted());
}

TEST(FilePass, OnlyRC4Version11IsTaken) {
  std::uint8_t good[kFilePassSize];
  InitFilePass(good, u"x");
  struct Case {
    const char* what;
    int type, major, minor;
    std::size_t size;
    TFilePassKind kind;
  } cases[] = {
      {"RC4 1.1", 1, 1, 1, kFilePassSize, TFilePassKind::RC4},
      {"XOR obfuscation", 0, 1, 1, kFilePassSize, TFilePassKind::Other},
      {"RC4 CryptoAPI 2.2", 1, 2, 2, kFilePassSize, TFilePassKind::Other},
      {"RC4 CryptoAPI 4.2", 1, 4, 2, kFilePassSize, TFilePassKind::Other},
      {"cut short", 1, 1, 1, kFilePassSize - 1, TFilePassKind::Other},
  };
  for (const auto& c : cases) {
    core::Bytes body(good, good + c.size);
    core::store_le16(body.data(), static_cast<std::uint16_t>(c.type));
    core::store_le16(body.data() + 2, static_cast<std::uint16_t>(c.major));
    core::store_le16(body.data() + 4, static_cast<std::uint16_t>(c.minor));
    EXPECT_EQ(FilePassKind(body), c.kind) << c.what;
    if (c.kind == TFilePassKind::Other) {
      EXPECT_EQ(OpenFilePass(body, u"x"), nullptr) << c.what;
    }
  }
}

TEST(FilePass, RecordsKeptInClear) {
  struct Case {
    std::uint16_t id;
    int length, clear;
  } cases[] = {
      {0x0809, 16, 16},  {0x0009, 4, 4},    {0x0209, 6, 6},    {0x0409, 6, 6},  // BOF of every version
      {0x002F, 54, 54},                                                     // FILEPASS
      {0x00E1, 2, 2},   {0x0138, 8, 8},    {0x0194, 20, 20},  {0x0195, 10, 10}, {0x0196, 30, 30},
      {0x0085, 14, 4},   {0x0085, 3, 3},                                    // BOUNDSHEET: the offset only
      {0x1009, 20, 0},   {0x0109, 6, 0},   {0x0909, 6, 0},                  // low byte 09, no BOF
      {0x00FC, 100, 0},  {0x003C, 50, 0},  {0x0203, 14, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ClearBodyBytes(c.id, c.length), c.clear) << std::hex << c.id;
}

// ---- workbooks written with a password

std::string Dump(const core::Bytes& File, const std::u16string& Password = u"") {
  return sheet_dump::DumpXLS(core::ByteSpan(File.data(), File.size()), Password);
}

std::string DumpError(const core::Bytes& File, const std::u16string& Password = u"") {
  try {
    Dump(File, Password);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

TEST(EncryptedWorkbook, WrittenWithAPasswordReadsBackToTheSameCells) {
  Book plainBook;
  Fill(plainBook);
  const core::Bytes plain = plainBook.Write();
  Book b;
  Fill(b);
  b.doc->Password = u"geheim";
  const core::Bytes encrypted = b.Write();

  const std::vector<Record> recs = Records(encrypted);
  ASSERT_GE(recs.size(), 6u);
  EXPECT_EQ(recs[0].Id, 0x0809);
  EXPECT_EQ(recs[1].Id, 0x002F);
  ASSERT_EQ(recs[1].Body.size(), static_cast<std::size_t>(kFilePassSize));
  EXPECT_EQ(recs[2].Id, 0x00E1);
  EXPECT_EQ(recs[2].Body, (core::Bytes{0xB0, 0x04})) << "INTERFACEHDR in clear: code page 1200";
  EXPECT_EQ(recs[3].Id, 0x00C1);
  EXPECT_EQ(recs[4].Id, 0x00E2);
  EXPECT_TRUE(recs[4].Body.empty());
  // The sheet offsets stay readable and point at the sheets' BOF records, whose bodies are in clear.
  const auto sheets = Find(recs, 0x0085);
  ASSERT_EQ(sheets.size(), 3u);
  for (const Record* r : sheets) {
    const int pos = static_cast<int>(core::load_le32(r->Body.data()));
    auto it = std::find_if(recs.begin(), recs.end(), [&](const Record& x) { return x.Pos == pos; });
    ASSERT_NE(it, recs.end());
    EXPECT_EQ(it->Id, 0x0809);
    EXPECT_EQ(core::load_le16(it->Body.data()), 0x0600);
    EXPECT_EQ(core::load_le16(it->Body.data() + 2), 0x0010);
  }
  // The encrypted file has the plain one's records but for the FILEPASS block, and the stream
  // spans many key blocks.
  const std::vector<Record> plainRecs = Records(plain);
  ASSERT_EQ(recs.size(), plainRecs.size() + 4);
  EXPECT_GT(recs.back().Pos, 8 * 1024);
  int differing = 0;
  for (std::size_t i = 0; i < plainRecs.size(); ++i) {
    const Record& e = recs[i == 0 ? 0 : i + 4];
    ASSERT_EQ(e.Id, plainRecs[i].Id) << i;
    ASSERT_EQ(e.Body.size(), plainRecs[i].Body.size()) << i;
    if (e.Body != plainRecs[i].Body) ++differing;
  }
  EXPECT_GT(differing, static_cast<int>(plainRecs.size()) / 2);

  const std::string expect = Dump(plain);
  EXPECT_EQ(Dump(encrypted, u"geheim"), expect);
  // The stream of the encrypted file holds no cell text in clear.
  const std::string bytes(encrypted.begin(), encrypted.end());
  EXPECT_EQ(bytes.find("Zeile"), std::string::npos);
}

TEST(EncryptedWorkbook, TwoSavesDifferInSalt) {
  Book b;
  Fill(b);
  b.doc->Password = u"geheim";
  const std::vector<Record> one = Records(b.Write()), two = Records(b.Write());
  ASSERT_EQ(one[1].Id, 0x002F);
  ASSERT_EQ(two[1].Id, 0x002F);
  EXPECT_FALSE(std::equal(one[1].Body.begin() + 6, one[1].Body.begin() + 22, two[1].Body.begin() + 6));
  // So the same records give other bytes, from the first one after the INTERFACEHDR block on.
  ASSERT_GT(one.size(), 5u);
  ASSERT_EQ(one[5].Id, two[5].Id);
  ASSERT_FALSE(one[5].Body.empty());
  EXPECT_NE(one[5].Body, two[5].Body);
}

TEST(EncryptedWorkbook, PasswordErrorsStopTheReadAndKeepOffsetAndCodeApart) {
  Book b;
  Fill(b);
  b.doc->Password = u"geheim";
  const core::Bytes encrypted = b.Write();
  const int filepassEnd = 4 + 16 + 4 + kFilePassSize;  // BOF, FILEPASS
  char where[64];
  std::snprintf(where, sizeof where, "002F Offs: %.8X\r\n", filepassEnd);
  struct Case {
    std::u16string password;
    const char* message;
  } cases[] = {
      {u"", "E1003: File is encrypted, password missing. If you think the file is unencrypted, try \"VelvetSweatshop\""},
      {u"Geheim", "E1004: File is encrypted, password is wrong."},
  };
  for (const auto& c : cases) {
    const std::string msg = DumpError(encrypted, c.password);
    EXPECT_NE(msg.find(std::string(where) + c.message), std::string::npos) << msg;
  }
  // With errors collected instead of raised, the read stops all the same, and nothing of the
  // encrypted rest reaches the workbook.
  wb::TXLSErrorManager errors;
  errors.SetSaveToList(true);
  wb::TXc12DataClassFactory factory;
  wb::TXc12Manager m(&factory, &errors);
  m.CreateParts();
  TBIFF5 doc(&m);
  EXPECT_THROW(doc.ReadStream(encrypted), Exception);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0].Code, 1003);
  EXPECT_EQ(m.SST->Count(), 0);
  EXPECT_EQ(doc.Sheets().Count(), 1);
  EXPECT_TRUE(doc.Password.empty());
  // Asked not to decrypt, the read ends at FILEPASS without an error.
  m.SkipDecryption = true;
  errors.SetSaveToList(false);
  EXPECT_NO_THROW(doc.ReadStream(encrypted));
  EXPECT_EQ(m.SST->Count(), 0);
}

TEST(EncryptedWorkbook, PasswordComesFromTheManagerItsEventOrTheDocumentsEvent) {
  Book b;
  Fill(b);
  b.doc->Password = u"geheim";
  const core::Bytes encrypted = b.Write();
  struct Case {
    const char* what;
    std::function<void(wb::TXc12Manager&, TBIFF5&)> setup;
    bool opens;
  } cases[] = {
      {"manager's password", [](wb::TXc12Manager& M, TBIFF5&) { M.Password = u"geheim"; }, true},
      {"manager's event",
       [](wb::TXc12Manager& M, TBIFF5&) { M.PasswordEvent = [](wb::TXc12Manager*, std::u16string& P) { P = u"geheim"; }; },
       true},
      {"event corrects a wrong password",
       [](wb::TXc12Manager& M, TBIFF5&) {
         M.Password = u"falsch";
         M.PasswordEvent = [](wb::TXc12Manager*, std::u16string& P) {
           if (P == u"falsch") P = u"geheim";
         };
       },
       true},
      {"document's event", [](wb::TXc12Manager&, TBIFF5& D) { D.OnPassword = [](std::u16string& P) { P = u"geheim"; }; },
       true},
      {"event without an answer", [](wb::TXc12Manager&, TBIFF5& D) { D.OnPassword = [](std::u16string&) {}; }, false},
  };
  for (const auto& c : cases) {
    wb::TXLSErrorManager errors;
    wb::TXc12DataClassFactory factory;
    wb::TXc12Manager m(&factory, &errors);
    m.CreateParts();
    TBIFF5 doc(&m);
    c.setup(m, doc);
    if (c.opens) {
      EXPECT_NO_THROW(doc.ReadStream(encrypted)) << c.what;
      EXPECT_EQ(doc.Password, u"geheim") << c.what << ": kept for the next save";
      EXPECT_EQ(m.Worksheets->Count(), 3) << c.what;
    } else {
      EXPECT_THROW(doc.ReadStream(encrypted), Exception) << c.what;
    }
  }
}

TEST(EncryptedWorkbook, DefaultPasswordOpensWithoutAskingAndStaysForTheNextSave) {
  Book b;
  Fill(b);
  b.doc->Password = kDefaultPassword;
  const core::Bytes encrypted = b.Write();
  wb::TXLSErrorManager errors;
  wb::TXc12DataClassFactory factory;
  wb::TXc12Manager m(&factory, &errors);
  m.CreateParts();
  TBIFF5 doc(&m);
  doc.ReadStream(encrypted);
  EXPECT_EQ(doc.Password, kDefaultPassword);
  // Reading an unencrypted file afterwards leaves no password behind.
  Book plain;
  Fill(plain);
  doc.ReadStream(plain.Write());
  EXPECT_TRUE(doc.Password.empty());
}

TEST(EncryptedWorkbook, ChartSheetsAndTheirMarkerRecordsSurviveEncryption) {
  // Chart2.xls holds a chart sheet with a MARKERFORMAT record (id 1009): encrypted like any
  // record that is not a BOF.
  const core::Bytes source = ReadFileBytes(fs::path(THC_READER_FIXTURES) / "Chart2.xls");
  auto rewrite = [](const core::Bytes& File, const std::u16string& ReadPassword, const std::u16string& WritePassword) {
    Book b(true);
    b.m.Password = ReadPassword;
    b.doc->ReadStream(File);
    b.doc->Password = WritePassword;
    return b.Write();
  };
  const core::Bytes plain = rewrite(source, u"", u"");
  const core::Bytes encrypted = rewrite(source, u"", u"geheim");
  const std::vector<Record> e = Records(encrypted);
  const auto markers = Find(e, 0x1009);
  ASSERT_FALSE(markers.empty());
  const std::vector<Record> p = Records(plain);
  const auto plainMarkers = Find(p, 0x1009);
  ASSERT_EQ(markers.size(), plainMarkers.size());
  EXPECT_NE(markers[0]->Body, plainMarkers[0]->Body);
  // Read back with the password and written plain again: the records of the plain save read and
  // written once more.
  auto without = [](const std::vector<Record>& Recs) {
    std::vector<std::pair<std::uint16_t, core::Bytes>> out;
    for (const Record& r : Recs)
      if (r.Id != 0x00E1 && r.Id != 0x00C1 && r.Id != 0x00E2) out.emplace_back(r.Id, r.Body);
    return out;
  };
  const auto got = without(Records(rewrite(encrypted, u"geheim", u""))), want = without(Records(rewrite(plain, u"", u"")));
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].first, want[i].first) << "record " << i;
    EXPECT_EQ(got[i].second, want[i].second) << "record " << i << ", id " << std::hex << want[i].first;
  }
}

// ---- workbooks LibreOffice encrypted

TEST(EncryptedWorkbook, LibreOfficeFilesReadToTheCellsOfTheirPlainTwin) {
  const core::Bytes plain = ReadFileBytes(kFixtures / "plain.xls");
  const core::Bytes password = ReadFileBytes(kFixtures / "password.xls");
  const core::Bytes byDefault = ReadFileBytes(kFixtures / "default.xls");
  const std::string expect = Dump(plain);
  EXPECT_NE(expect.find("Zeile 399 Messwert"), std::string::npos);
  EXPECT_EQ(Dump(password, kLOPassword), expect);
  EXPECT_EQ(Dump(byDefault), expect) << "the default password opens without asking";
  EXPECT_NE(DumpError(password).find("E1003: File is encrypted, password missing."), std::string::npos);
  EXPECT_NE(DumpError(password, u"温度pass-42").find("E1004: File is encrypted, password is wrong."), std::string::npos);
}

wb::TXLSSpreadsheetNeighbours LegacyNeighbours() {
  wb::TXLSSpreadsheetNeighbours n;
  RegisterLegacyNeighbours(n);
  return n;
}

TEST(EncryptedWorkbook, TheComponentAsksOnPasswordAndTakesItsPassword) {
  const fs::path file = kFixtures / "password.xls";
  {
    wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
    wb::TObject* sender = nullptr;
    xls.OnPassword = [&](wb::TObject* Sender, std::u16string& P) {
      sender = Sender;
      P = kLOPassword;
    };
    xls.LoadFromFile(core::u16(file.string()));
    EXPECT_EQ(sender, &xls);
    ASSERT_EQ(xls.GetCount(), 3);
    EXPECT_EQ(xls.GetItem(1)->GetName(), u"Texte");
  }
  {
    wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
    xls.SetPassword(kLOPassword);
    EXPECT_EQ(xls.GetPassword(), kLOPassword);
    const core::Bytes data = ReadFileBytes(file);
    wb::TPointerMemoryStream in(data.data(), static_cast<std::int64_t>(data.size()));
    xls.LoadFromStream(in, true);
    ASSERT_EQ(xls.GetCount(), 3);
    // Saved again, the workbook keeps the password that opened it.
    wb::TMemoryStream out;
    xls.SaveToStream(out);
    const core::Bytes saved(out.Memory(), out.Memory() + out.GetSize());
    EXPECT_EQ(Records(saved)[1].Id, 0x002F);
    EXPECT_EQ(Dump(saved, kLOPassword), Dump(ReadFileBytes(kFixtures / "plain.xls")));
  }
  {
    wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
    EXPECT_THROW(xls.LoadFromFile(core::u16(file.string())), std::exception);
  }
}

}  // namespace
}  // namespace biff::testing
