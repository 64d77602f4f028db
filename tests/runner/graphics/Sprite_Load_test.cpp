// Sprites and backgrounds without a device: the loaders' pixel operations, strips and animated
// GIF files, frame reduction, the two chunks and the editor's files.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "runner/graphics/Sprite_Main.h"
#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr uint32_t kGifFill = 0xFF408000;  // red 64, green 128

uint8_t Alpha(uint32_t p) { return static_cast<uint8_t>(p >> 24); }

TBitmap32 Row(std::initializer_list<uint32_t> pixels) {
  TBitmap32 bm(static_cast<int32_t>(pixels.size()), 1);
  int32_t x = 0;
  for (uint32_t p : pixels) bm.SetPixel(x++, 0, p);
  return bm;
}

std::vector<uint32_t> Alphas(const TBitmap32& bm) {
  std::vector<uint32_t> out;
  for (uint32_t p : bm.Pixels()) out.push_back(Alpha(p));
  return out;
}

TEST(LoaderPixels, BackgroundRemovalTakesTheBottomLeftColour) {
  TBitmap32 bm(3, 2, kRed);
  bm.SetPixel(1, 0, 0xFFFE0000);  // one step from the key
  bm.SetPixel(2, 0, kBlue);
  TBitmap32 exact = bm;
  exact.RemoveBackground(0);
  EXPECT_EQ(exact.GetPixel(0, 1), 0x00FF0000u);  // colour kept, alpha 0
  EXPECT_EQ(Alphas(exact), (std::vector<uint32_t>{0, 255, 255, 0, 0, 0}));
  bm.RemoveBackground(1);
  EXPECT_EQ(Alphas(bm), (std::vector<uint32_t>{0, 0, 255, 0, 0, 0}));
}

TEST(LoaderPixels, SmoothingSeesEarlierChanges) {
  // The first pixel empties the second, which then lowers the third.
  TBitmap32 row = Row({0, 0x20FFFFFF, kRed, kRed});
  row.SmoothEdges();
  EXPECT_EQ(Alphas(row), (std::vector<uint32_t>{0, 0, 223, 255}));
  // Every neighbour of a hole, clipped at the borders; alphas below 32 are left alone.
  TBitmap32 sq(3, 3, kRed);
  sq.SetPixel(1, 1, 0);
  sq.SetPixel(0, 0, 0x1FFF0000);
  sq.SmoothEdges();
  EXPECT_EQ(Alphas(sq), (std::vector<uint32_t>{31, 223, 223, 223, 0, 223, 223, 223, 223}));
}

TEST(LoaderPixels, BleedingTakesTheFirstOpaqueNeighbour) {
  TBitmap32 bm(3, 2);
  bm.SetPixel(0, 0, kGreen);
  bm.SetPixel(2, 0, kRed);
  bm.SetPixel(2, 1, 0x00123456);  // no opaque neighbour below or left: keeps its colour
  bm.BleedColors();
  EXPECT_EQ(bm.GetPixel(1, 0), 0x0000FF00u);  // left before right
  EXPECT_EQ(bm.GetPixel(0, 1), 0x0000FF00u);  // from above
  EXPECT_EQ(bm.GetPixel(2, 1), 0x00FF0000u);  // above is red
  EXPECT_EQ(bm.GetPixel(1, 1), 0x00000000u);  // nothing opaque around
}

TEST(LoaderPixels, StretchAlphaAndGradient) {
  TBitmap32 bm = Row({kRed, 0x80FFFFFF, 0x00FFFFFF});
  bm.Stretch(6, 2, 1);
  ASSERT_EQ(bm.Width(), 6);
  EXPECT_EQ(bm.GetPixel(1, 1), kRed);
  EXPECT_EQ(bm.GetPixel(3, 0), 0x80FFFFFFu);
  EXPECT_EQ(bm.GetPixel(5, 1), 0u);  // transparent sources become transparent black

  TBitmap32 dest(2, 1, kRed);
  dest.AlphaFrom(Row({0xFF306090}));
  EXPECT_EQ(dest.GetPixel(0, 0), 0x60FF0000u);  // (48 + 96 + 144) div 3
  EXPECT_EQ(dest.GetPixel(1, 0), kRed);         // outside the source

  const TBitmap32 g = TBitmap32::Gradient(4, 2, 0x000000, 0x0000FF, 0);  // black to red, left to right
  EXPECT_EQ(g.GetPixel(0, 1), 0xFF000000u);
  EXPECT_EQ(g.GetPixel(2, 0), 0xFF800000u);
  EXPECT_EQ(g.GetPixel(3, 1), 0xFFBF0000u);
  // Ellipses from the edge to the centre; circles about the top-left corner.
  const TBitmap32 e = TBitmap32::Gradient(5, 5, 0x000000, 0xFFFFFF, 3);
  EXPECT_EQ(e.GetPixel(0, 0), 0xFF000000u);
  EXPECT_EQ(e.GetPixel(2, 2), 0xFFFFFFFFu);
  const TBitmap32 c = TBitmap32::Gradient(4, 4, 0x000000, 0xFFFFFF, 8);
  EXPECT_EQ(c.GetPixel(0, 0), 0xFFBFBFBFu);  // radius 1 of 4
  EXPECT_EQ(c.GetPixel(3, 0), 0xFF000000u);
  EXPECT_EQ(c.GetPixel(3, 3), 0xFF000000u);  // beyond the largest circle
  // A 1-pixel-wide middle gradient has no steps; an unknown kind is the first colour.
  EXPECT_EQ(TBitmap32::Gradient(1, 3, 0xFF0000, 0x00FF00, 4).GetPixel(0, 2), kBlue);
  EXPECT_EQ(TBitmap32::Gradient(0, -5, 0x0000FF, 0, 42).Pixels(), std::vector<uint32_t>{kRed});
}

class SpriteFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("sprite_load_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(SpriteFiles, StripFramesDropTheLeftoverColumns) {
  TBitmap32 strip(102, 2, kBlue);
  for (int32_t x = 0; x < 102; ++x) strip.SetPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x));
  ASSERT_TRUE(strip.SaveToImageFile(Path("strip.png")));
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(Path("strip.png"), 5, false, false, 3, 4));
  ASSERT_EQ(s.i_numb, 5);
  EXPECT_EQ(s.GetWidth(), 20);
  EXPECT_EQ(s.GetHeight(), 2);
  EXPECT_EQ(s.i_bitmap[4].GetPixel(19, 0), 0xFF000000u | 99);
  EXPECT_EQ(s.i_bitmap[2].GetPixel(0, 0), 0xFF000000u | 40);
  EXPECT_EQ(s.i_xorig, 3);
  EXPECT_EQ(s.i_yorig, 4);
  EXPECT_EQ(s.i_mask.size(), 1u);
  EXPECT_EQ(s.i_bbox, (RRect32{0, 0, 19, 1}));

  ASSERT_TRUE(s.LoadFromFile(Path("strip.png"), 0, false, false, 0, 0));
  EXPECT_EQ(s.i_numb, 1);
  EXPECT_EQ(s.GetWidth(), 102);
  // Missing or undecodable files fail; more frames than columns too.
  EXPECT_FALSE(s.LoadFromFile(Path("none.png"), 1, false, false, 0, 0));
  EXPECT_EQ(s.i_numb, 1);  // a missing file leaves the sprite
  EXPECT_FALSE(s.LoadFromFile(Path("strip.png"), 103, false, false, 0, 0));
  std::FILE* f = std::fopen(Path("bad.png").c_str(), "wb");
  std::fputs("not a picture", f);
  std::fclose(f);
  EXPECT_FALSE(s.LoadFromFile(Path("bad.png"), 1, false, false, 0, 0));
  EXPECT_EQ(s.i_numb, 0);  // a decoding failure leaves it cleared
}

struct RGifPart {
  int left, top, width, height;
  std::vector<GifPixelType> pixels;
  bool keep;
};

// Palette: 0 red, 1 green, 2 blue, 3 transparent.
void WriteGif(const std::string& path, int w, int h, const std::vector<RGifPart>& parts) {
  int err = 0;
  GifFileType* g = EGifOpenFileName(path.c_str(), false, &err);
  ASSERT_TRUE(g);
  EGifSetGifVersion(g, true);
  GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifPutScreenDesc(g, w, h, 2, 0, map);
  for (const RGifPart& p : parts) {
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = 3;
    gcb.DisposalMode = p.keep ? DISPOSE_DO_NOT : DISPOSAL_UNSPECIFIED;
    GifByteType ext[4];
    const size_t n = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    EGifPutImageDesc(g, p.left, p.top, p.width, p.height, false, nullptr);
    std::vector<GifPixelType> px = p.pixels;
    for (int y = 0; y < p.height; ++y) EGifPutLine(g, px.data() + y * p.width, p.width);
  }
  EGifCloseFile(g, &err);
  GifFreeMapObject(map);
}

TEST_F(SpriteFiles, GifImagesBuildOnEachOtherOnlyWhenKept) {
  WriteGif(Path("anim.GIF"), 3, 2,
           {{1, 0, 2, 1, {0, 3}, true}, {2, 1, 1, 1, {2}, false}, {0, 0, 1, 1, {1}, false}});
  CSprite s;
  ASSERT_TRUE(s.LoadFromFile(Path("anim.GIF"), 99, false, false, 0, 0));
  ASSERT_EQ(s.i_numb, 3);
  const uint32_t F = kGifFill;
  EXPECT_EQ(s.i_bitmap[0].Pixels(), (std::vector<uint32_t>{F, kRed, F, F, F, F}));
  EXPECT_EQ(s.i_bitmap[1].Pixels(), (std::vector<uint32_t>{F, kRed, F, F, F, kBlue}));
  EXPECT_EQ(s.i_bitmap[2].Pixels(), (std::vector<uint32_t>{kGreen, F, F, F, F, F}));
  // The fill colour is the bottom-left pixel, so background removal clears it.
  ASSERT_TRUE(s.LoadGifFromFile(Path("anim.GIF"), true, false));
  EXPECT_EQ(Alphas(s.i_bitmap[1]), (std::vector<uint32_t>{0, 255, 0, 0, 0, 255}));
  // Empty or cut data decodes to nothing.
  int32_t w = 0, h = 0;
  std::vector<RGifImage> images;
  EXPECT_FALSE(DecodeGifImages({}, w, h, images));
  EXPECT_FALSE(DecodeGifImages({'G', 'I', 'F', '8', '9', 'a', 3, 0}, w, h, images));
  // An unreadable GIF leaves the sprite as it was.
  std::FILE* f = std::fopen(Path("bad.gif").c_str(), "wb");
  std::fputs("GIF89a broken", f);
  std::fclose(f);
  EXPECT_FALSE(s.LoadFromFile(Path("bad.gif"), 1, false, false, 0, 0));
  EXPECT_EQ(s.i_numb, 3);
}

TEST(SpriteFrames, IndicesWrapAndAnEmptySpriteIsOnePixel) {
  CSprite s;
  EXPECT_EQ(s.GetWidth(), 1);
  EXPECT_EQ(s.GetHeight(), 1);
  EXPECT_EQ(s.GetTexture(0), -1);
  s.ComputeMask(true, kBBoxFull, {}, kMaskRectangle, 0);
  EXPECT_TRUE(s.i_mask.empty());
  EXPECT_EQ(s.i_bbox, RRect32{});

  s.i_numb = 3;
  s.i_bitmap.assign(3, TBitmap32(4, 2, kRed));
  for (auto [in, out] : {std::pair{7, 1}, {-1, 2}, {-4, 2}, {3, 0}, {2, 2}}) EXPECT_EQ(s.Frame(in), out) << in;

  // Separate masks: the box is the union; shared: one merged mask.
  s.i_bitmap[1].SetPixel(0, 0, 0);
  s.i_bitmap[2].Fill(0);
  s.i_bitmap[2].SetPixel(3, 1, kRed);
  s.i_bitmap[0].Fill(0);
  s.i_bitmap[0].SetPixel(1, 1, kRed);
  s.ComputeMask(true, kBBoxAutomatic, {}, kMaskPrecise, 0);
  ASSERT_EQ(s.i_mask.size(), 3u);
  EXPECT_EQ(s.i_bbox, (RRect32{0, 0, 3, 1}));
  EXPECT_FALSE(s.MaskFor(1)->Bit(0, 0));
  EXPECT_FALSE(s.MaskFor(0)->Bit(2, 0));
  s.ComputeMask(false, kBBoxAutomatic, {}, kMaskPrecise, 0);
  ASSERT_EQ(s.i_mask.size(), 1u);
  EXPECT_TRUE(s.MaskFor(0)->Bit(2, 0));  // from frame 1
  EXPECT_EQ(s.i_bbox, (RRect32{0, 0, 3, 1}));
  EXPECT_EQ(s.GetBoundingBoxImg(0), (RRect32{1, 1, 1, 1}));
  EXPECT_EQ(s.GetBoundingBoxImg(3), RRect32{});

  // Added frames are stretched to the sprite's size; into an empty sprite, to 1 × 1.
  CSprite copy;
  copy.AddFromSprite(s);
  EXPECT_EQ(copy.i_numb, 3);
  EXPECT_EQ(copy.GetWidth(), 1);
  s.AddFromSprite(s);
  EXPECT_EQ(s.i_numb, 6);
  EXPECT_EQ(s.i_bitmap[5].Width(), 4);
}

// Record helpers, the way the game data stores them.
void PutBitmap(CStream& s, const TBitmap32& bm) { bm.SaveToStream(s); }
void PutSpriteRecord(CStream& s, int32_t version, const std::vector<TBitmap32>& frames, bool sep) {
  s.WriteInteger(version);
  s.WriteInteger(1);
  s.WriteInteger(2);
  s.WriteInteger(static_cast<int32_t>(frames.size()));
  for (const TBitmap32& f : frames) PutBitmap(s, f);
  s.WriteBoolean(sep);
  if (frames.empty()) return;
  if (sep)
    for (const TBitmap32& f : frames) TMask(f, kBBoxAutomatic, {}, kMaskPrecise, 0).SaveToStream(s);
  else
    TMask(frames[0], kBBoxFull, {}, kMaskPrecise, 0).SaveToStream(s);
}
void PutSlot(CStream& chunk, bool exists, const std::string& name, CStream record) {
  CStream slot;
  slot.WriteBoolean(exists);
  if (exists) {
    slot.WriteString(name);
    slot.WriteBuffer(record.Data(), record.GetSize());
  }
  chunk.WriteStreamC(slot);
}

CStream SpriteChunk(int32_t chunkVersion, int32_t recordVersion) {
  CStream c;
  c.WriteInteger(chunkVersion);
  c.WriteInteger(3);
  CStream rec;
  PutSpriteRecord(rec, recordVersion, {TBitmap32(3, 2, kRed), Row({kBlue, 0})}, false);
  PutSlot(c, true, "spr_a", std::move(rec));
  PutSlot(c, false, "", {});
  CStream none;
  PutSpriteRecord(none, kSpriteRecordVersion, {}, true);
  PutSlot(c, true, "spr_empty", std::move(none));
  return c;
}

TEST(SpriteChunks, SlotsNamesAndRecords) {
  CStream c = SpriteChunk(kChunkVersion, kSpriteRecordVersion);
  c.SetPosition(0);
  ASSERT_TRUE(LoadSprites(c));
  EXPECT_EQ(c.GetPosition(), c.GetSize());
  ASSERT_EQ(Sprites().Count(), 3);
  EXPECT_EQ(Sprites().Name(0), "spr_a");
  EXPECT_FALSE(Sprites().Exists(1));
  EXPECT_EQ(Sprites().Name(1), "<undefined>");
  const CSprite& a = *Sprites().Get(0);
  EXPECT_EQ(a.i_numb, 2);
  EXPECT_EQ(a.i_xorig, 1);
  EXPECT_EQ(a.i_bitmap[1].GetPixel(0, 0), kBlue);
  EXPECT_EQ(a.i_bbox, (RRect32{0, 0, 2, 1}));  // from the stored mask, not recomputed
  EXPECT_EQ(Sprites().Get(2)->i_numb, 0);
  EXPECT_EQ(Sprites().Get(2)->i_bbox, RRect32{});
  EXPECT_EQ(Sprites().Find("spr_empty"), 2);

  // Loading again starts from an empty list.
  CStream one;
  one.WriteInteger(kChunkVersion);
  one.WriteInteger(0);
  one.SetPosition(0);
  ASSERT_TRUE(LoadSprites(one));
  EXPECT_EQ(Sprites().Count(), 0);
}

TEST(SpriteChunks, WrongVersionsFailAndDamageThrows) {
  for (auto [chunk, record] : {std::pair{799, kSpriteRecordVersion}, {kChunkVersion, 801}}) {
    CStream c = SpriteChunk(chunk, record);
    c.SetPosition(0);
    EXPECT_FALSE(LoadSprites(c)) << chunk << " " << record;
  }
  // A mask of another version fails the record too.
  CStream rec;
  PutSpriteRecord(rec, kSpriteRecordVersion, {TBitmap32(1, 1, kRed)}, false);
  rec.SetPosition(16 + 20 + 4);  // past the header, the frame and the flag: the mask version
  rec.WriteInteger(700);
  CStream c;
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(1);
  PutSlot(c, true, "m", std::move(rec));
  c.SetPosition(0);
  EXPECT_FALSE(LoadSprites(c));

  // Counts beyond the data, and a cut chunk, throw before anything big is made.
  const CStream whole = SpriteChunk(kChunkVersion, kSpriteRecordVersion);
  CStream cut = CStream::FromBytes(whole.Data(), static_cast<size_t>(whole.GetSize() - 3));
  EXPECT_THROW(LoadSprites(cut), StreamError);
  CStream huge;
  huge.WriteInteger(kChunkVersion);
  huge.WriteInteger(INT32_MAX);
  huge.SetPosition(0);
  EXPECT_THROW(LoadSprites(huge), StreamError);
  CStream frames;
  frames.WriteInteger(kSpriteRecordVersion);
  for (int32_t v : {0, 0, 100000000}) frames.WriteInteger(v);
  frames.SetPosition(0);
  CSprite s;
  EXPECT_THROW(s.LoadFromStream(frames), StreamError);
  EXPECT_EQ(s.i_numb, 0);
}

TEST(BackgroundChunks, RecordsAndVersions) {
  auto chunk = [](int32_t recordVersion) {
    CStream c;
    c.WriteInteger(kChunkVersion);
    c.WriteInteger(1);
    CStream rec;
    rec.WriteInteger(recordVersion);
    PutBitmap(rec, TBitmap32(2, 3, kGreen));
    PutSlot(c, true, "bg", std::move(rec));
    c.SetPosition(0);
    return c;
  };
  CStream good = chunk(kBackgroundRecordVersion);
  ASSERT_TRUE(LoadBackgrounds(good));
  ASSERT_TRUE(Backgrounds().Exists(0));
  EXPECT_EQ(Backgrounds().Get(0)->GetHeight(), 3);
  EXPECT_EQ(Backgrounds().Get(0)->GetTexture(), -1);  // made at start-up
  CStream bad = chunk(800);
  EXPECT_FALSE(LoadBackgrounds(bad));
  ClearSpritesAndBackgrounds();
}

// The editor's files: magic, then a compressed body.
void WriteEditorFile(const std::string& path, int32_t magic, CStream body) {
  CStream f;
  f.WriteInteger(magic);
  f.WriteStreamC(body);
  ASSERT_TRUE(f.SaveToFile(path));
}

CStream SpriteFileBody(int32_t version) {
  CStream b;
  b.WriteInteger(version);
  b.WriteInteger(2);
  b.WriteInteger(1);
  b.WriteInteger(2);
  TBitmap32 f0(4, 3, kRed), f1(4, 3);
  f1.SetPixel(2, 2, kBlue);
  PutBitmap(b, f0);
  PutBitmap(b, f1);
  for (int32_t v : {int32_t{kMaskRectangle}, 0}) b.WriteInteger(v);  // kind, tolerance
  b.WriteBoolean(true);                                      // separate masks
  b.WriteInteger(kBBoxManual);
  for (int32_t v : {1, 9, 1, -5}) b.WriteInteger(v);  // left, right, bottom, top
  return b;
}

TEST_F(SpriteFiles, EditorSpriteFile) {
  WriteEditorFile(Path("s.gmspr"), kSpriteFileMagic, SpriteFileBody(kSpriteRecordVersion));
  CSprite s;
  ASSERT_TRUE(s.LoadFromSpriteFile(Path("s.gmspr")));
  ASSERT_EQ(s.i_numb, 2);
  EXPECT_EQ(s.i_xorig, 2);
  EXPECT_EQ(s.i_yorig, 1);
  EXPECT_TRUE(s.i_sepmasks);
  ASSERT_EQ(s.i_mask.size(), 2u);
  EXPECT_EQ(s.i_mask[1].i_bbox, (RRect32{1, 0, 3, 1}));  // the manual box, clamped
  EXPECT_TRUE(s.i_mask[1].Bit(3, 0));                     // a rectangle, whatever the alpha
  EXPECT_FALSE(s.i_mask[1].Bit(3, 2));
  EXPECT_EQ(s.i_bbox, (RRect32{1, 0, 3, 1}));
  EXPECT_EQ(s.i_bitmap[1].GetPixel(2, 1), 0x000000FFu);  // bled from the blue pixel below

  WriteEditorFile(Path("magic.gmspr"), 1234320, SpriteFileBody(kSpriteRecordVersion));
  EXPECT_FALSE(s.LoadFromSpriteFile(Path("magic.gmspr")));
  EXPECT_EQ(s.i_numb, 2);  // unchanged
  EXPECT_FALSE(s.LoadFromSpriteFile(Path("missing.gmspr")));
  EXPECT_EQ(s.i_numb, 2);
  WriteEditorFile(Path("version.gmspr"), kSpriteFileMagic, SpriteFileBody(810));
  EXPECT_FALSE(s.LoadFromSpriteFile(Path("version.gmspr")));
  EXPECT_EQ(s.i_numb, 0);  // cleared
  CStream cut = SpriteFileBody(kSpriteRecordVersion);
  WriteEditorFile(Path("cut.gmspr"), kSpriteFileMagic, CStream::FromBytes(cut.Data(), 40));
  EXPECT_FALSE(s.LoadFromSpriteFile(Path("cut.gmspr")));
}

TEST_F(SpriteFiles, EditorBackgroundFile) {
  auto body = [](int32_t version) {
    CStream b;
    b.WriteInteger(version);
    b.WriteBoolean(true);
    for (int i = 0; i < 6; ++i) b.WriteInteger(16);
    PutBitmap(b, Row({0, kGreen}));
    return b;
  };
  WriteEditorFile(Path("b.gmbck"), kSpriteFileMagic, body(kBackgroundRecordVersion));
  CBackground b;
  ASSERT_TRUE(b.LoadFromBackgroundFile(Path("b.gmbck")));
  EXPECT_EQ(b.i_bitmap.GetPixel(0, 0), 0x0000FF00u);  // bled
  WriteEditorFile(Path("v.gmbck"), kSpriteFileMagic, body(800));
  EXPECT_FALSE(b.LoadFromBackgroundFile(Path("v.gmbck")));
  WriteEditorFile(Path("m.gmbck"), 7, body(kBackgroundRecordVersion));
  EXPECT_FALSE(b.LoadFromBackgroundFile(Path("m.gmbck")));
  EXPECT_EQ(b.GetWidth(), 2);

  // A plain picture: removal, then bleeding.
  ASSERT_TRUE(TBitmap32(2, 2, kBlue).SaveToImageFile(Path("p.png")));
  ASSERT_TRUE(b.LoadFromFile(Path("p.png"), true, false));
  EXPECT_EQ(Alphas(b.i_bitmap), (std::vector<uint32_t>{0, 0, 0, 0}));
  EXPECT_FALSE(b.LoadFromFile(Path("none.png"), false, false));
}

}  // namespace
