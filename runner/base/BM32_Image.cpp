// Image files for TBitmap32: decoding PNG, BMP, JPEG, GIF and TIFF (by extension, else by
// the file's first bytes), the PNG writer, and the bitmap stream record. Every decoder checks
// the image size against the pixel cap before it allocates, and reports damage as failure.
#include <cstdio>  // jpeglib.h needs FILE

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "runner/base/BM32_Bitmap.h"
#include "runner/base/Support_Stream.h"

namespace {

constexpr uintmax_t kMaxFileSize = uintmax_t{1} << 28;

bool SizeOk(int64_t w, int64_t h) { return w > 0 && h > 0 && w * h <= TBitmap32::kMaxPixels && w < INT32_MAX && h < INT32_MAX; }

bool DecodePng(const std::vector<uint8_t>& data, TBitmap32& out) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, data.data(), data.size())) return false;
  if (!SizeOk(img.width, img.height)) {
    png_image_free(&img);
    return false;
  }
  img.format = PNG_FORMAT_BGRA;  // bytes b, g, r, a: the pixel layout as it is
  TBitmap32 bm(static_cast<int32_t>(img.width), static_cast<int32_t>(img.height));
  if (bm.Empty() ||
      !png_image_finish_read(&img, nullptr, bm.Pixels().data(), static_cast<png_int_32>(img.width * 4), nullptr)) {
    png_image_free(&img);
    return false;
  }
  out = std::move(bm);
  return true;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

// Decodes into bm (already a heap object, so the jump out of the library leaves it intact).
bool JpegRun(const std::vector<uint8_t>& data, TBitmap32* bm) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegQuiet;
  jpeg_create_decompress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || !SizeOk(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  bm->Resize(static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height));
  if (bm->Empty() || cinfo.output_components != 4) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row =
        reinterpret_cast<JSAMPROW>(bm->Pixels().data() + size_t{cinfo.output_scanline} * cinfo.output_width);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool DecodeJpeg(const std::vector<uint8_t>& data, TBitmap32& out) {
  auto bm = std::make_unique<TBitmap32>();
  if (!JpegRun(data, bm.get())) return false;
  for (uint32_t& p : bm->Pixels()) p |= 0xFF000000u;
  out = std::move(*bm);
  return true;
}

struct MemReader {
  const std::vector<uint8_t>* data;
  size_t pos = 0;
};

int GifRead(GifFileType* gif, GifByteType* buf, int len) {
  auto* r = static_cast<MemReader*>(gif->UserData);
  if (len <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(len), r->data->size() - r->pos);
  if (n == 0) return 0;  // an empty buffer has no data pointer to copy from
  std::memcpy(buf, r->data->data() + r->pos, n);
  r->pos += n;
  return static_cast<int>(n);
}

// The first frame, on a transparent canvas of the logical screen size.
bool DecodeGif(const std::vector<uint8_t>& data, TBitmap32& out) {
  MemReader reader{&data};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, GifRead, &error);
  if (!gif) return false;
  bool ok = false;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 && SizeOk(gif->SWidth, gif->SHeight)) {
    const SavedImage& frame = gif->SavedImages[0];
    const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
    GraphicsControlBlock gcb;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &gcb);
    TBitmap32 bm(gif->SWidth, gif->SHeight);
    const GifImageDesc& d = frame.ImageDesc;
    if (map && frame.RasterBits && !bm.Empty() && d.Width > 0 && d.Height > 0) {
      for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
          const int idx = frame.RasterBits[static_cast<size_t>(y) * static_cast<size_t>(d.Width) + static_cast<size_t>(x)];
          if (idx == gcb.TransparentColor || idx >= map->ColorCount) continue;
          const GifColorType& c = map->Colors[idx];
          bm.SetPixel(d.Left + x, d.Top + y, 0xFF000000u | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue);
        }
      out = std::move(bm);
      ok = true;
    }
  }
  DGifCloseFile(gif, &error);
  return ok;
}

// One image of an opened GIF on its own rectangle: alpha 0 for the transparent colour.
bool GifImage(GifFileType* gif, int index, RGifImage& out) {
  const SavedImage& frame = gif->SavedImages[index];
  const GifImageDesc& d = frame.ImageDesc;
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  GraphicsControlBlock gcb;
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
  DGifSavedExtensionToGCB(gif, index, &gcb);
  out.left = d.Left;
  out.top = d.Top;
  out.keep = gcb.DisposalMode == DISPOSE_DO_NOT;
  if (!map || !frame.RasterBits || !SizeOk(d.Width, d.Height)) return false;
  out.image.Resize(d.Width, d.Height);
  if (out.image.Empty()) return false;
  uint32_t* px = out.image.Pixels().data();
  for (size_t i = 0; i < static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height); ++i) {
    const int idx = frame.RasterBits[i];
    if (idx == gcb.TransparentColor || idx >= map->ColorCount) continue;
    const GifColorType& c = map->Colors[idx];
    px[i] = 0xFF000000u | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue;
  }
  return true;
}

tmsize_t TiffRead(thandle_t h, void* buf, tmsize_t size) {
  auto* r = static_cast<MemReader*>(h);
  if (size <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(size), r->data->size() - r->pos);
  if (n == 0) return 0;
  std::memcpy(buf, r->data->data() + r->pos, n);
  r->pos += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
  auto* r = static_cast<MemReader*>(h);
  uint64_t base = whence == SEEK_CUR ? r->pos : whence == SEEK_END ? r->data->size() : 0;
  const uint64_t to = base + off;
  if (to > r->data->size()) return static_cast<toff_t>(-1);
  r->pos = static_cast<size_t>(to);
  return to;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<MemReader*>(h)->data->size(); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

bool DecodeTiff(const std::vector<uint8_t>& data, TBitmap32& out) {
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  MemReader reader{&data};
  TIFF* tif = TIFFClientOpen("image", "rm", &reader, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                             TiffUnmap);
  if (!tif) return false;
  uint32_t w = 0, h = 0;
  bool ok = false;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  if (SizeOk(w, h)) {
    TBitmap32 bm(static_cast<int32_t>(w), static_cast<int32_t>(h));
    if (!bm.Empty() && TIFFReadRGBAImageOriented(tif, w, h, bm.Pixels().data(), ORIENTATION_TOPLEFT, 0)) {
      // Packed as a, b, g, r from the high byte: swap red and blue.
      for (uint32_t& p : bm.Pixels()) p = (p & 0xFF00FF00u) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
      out = std::move(bm);
      ok = true;
    }
  }
  TIFFClose(tif);
  return ok;
}

enum class Format { Unknown, Png, Bmp, Jpeg, Gif, Tiff };

Format ByExtension(std::string ext) {
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".png") return Format::Png;
  if (ext == ".bmp" || ext == ".dib") return Format::Bmp;
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".jfif") return Format::Jpeg;
  if (ext == ".gif") return Format::Gif;
  if (ext == ".tif" || ext == ".tiff") return Format::Tiff;
  return Format::Unknown;
}

Format ByContent(const std::vector<uint8_t>& d) {
  auto starts = [&](std::initializer_list<uint8_t> sig) {
    return d.size() >= sig.size() && std::equal(sig.begin(), sig.end(), d.begin());
  };
  if (starts({0x89, 'P', 'N', 'G'})) return Format::Png;
  if (starts({'B', 'M'})) return Format::Bmp;
  if (starts({0xFF, 0xD8, 0xFF})) return Format::Jpeg;
  if (starts({'G', 'I', 'F', '8'})) return Format::Gif;
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42})) return Format::Tiff;
  return Format::Unknown;
}

void PutBE(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t len) {
  PutBE(out, static_cast<uint32_t>(len));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  if (len) out.insert(out.end(), data, data + len);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBE(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool TBitmap32::DecodeImage(const std::vector<uint8_t>& data, const std::string& extension) {
  Format f = ByExtension(extension);
  if (f == Format::Unknown || f != ByContent(data)) f = ByContent(data);
  TBitmap32 bm;
  bool ok = false;
  switch (f) {
    case Format::Png: ok = DecodePng(data, bm); break;
    case Format::Bmp: ok = bm.LoadFromBMP(data.data(), data.size()); break;
    case Format::Jpeg: ok = DecodeJpeg(data, bm); break;
    case Format::Gif: ok = DecodeGif(data, bm); break;
    case Format::Tiff: ok = DecodeTiff(data, bm); break;
    case Format::Unknown: break;
  }
  if (!ok || bm.Empty()) return false;
  // A picture without any alpha information loads opaque.
  if (std::all_of(bm.s_data.begin(), bm.s_data.end(), [](uint32_t p) { return (p >> 24) == 0; }))
    for (uint32_t& p : bm.s_data) p |= 0xFF000000u;
  *this = std::move(bm);
  return true;
}

bool TBitmap32::LoadFromImageFile(const std::string& fname) {
  std::error_code ec;
  const std::filesystem::path path(fname);
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxFileSize) return false;
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> data(static_cast<size_t>(size));
  if (!f.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size))) return false;
  return DecodeImage(data, path.extension().string());
}

std::vector<uint8_t> TBitmap32::SaveToPNG() const {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  PutBE(ihdr, static_cast<uint32_t>(s_w));
  PutBE(ihdr, static_cast<uint32_t>(s_h));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  Chunk(out, "IHDR", ihdr.data(), ihdr.size());
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(s_h) * (static_cast<size_t>(s_w) * 4 + 1));
  for (int32_t y = 0; y < s_h; ++y) {
    raw.push_back(0);
    for (int32_t x = 0; x < s_w; ++x) {
      const uint32_t p = s_data[static_cast<size_t>(y) * static_cast<size_t>(s_w) + static_cast<size_t>(x)];
      raw.insert(raw.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p),
                             static_cast<uint8_t>(p >> 24)});
    }
  }
  uLongf len = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> z(len);
  if (compress2(z.data(), &len, raw.data(), static_cast<uLong>(raw.size()), Z_DEFAULT_COMPRESSION) != Z_OK) return {};
  Chunk(out, "IDAT", z.data(), len);
  PutBE(out, 0);
  out.insert(out.end(), {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
  return out;
}

bool TBitmap32::SaveToImageFile(const std::string& fname) const {
  const std::vector<uint8_t> bytes = SaveToPNG();
  if (bytes.empty()) return false;
  std::ofstream f(fname, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

bool TBitmap32::LoadFromStream(CStream& str) {
  try {
    if (str.ReadInteger() != 800) return false;
    const int32_t w = str.ReadInteger(), h = str.ReadInteger();
    if (int64_t{w} * h <= 0) {
      Clear();
      return true;
    }
    CStream block = str.ReadStream();
    if (w <= 0 || h <= 0 || int64_t{w} * h > kMaxPixels || block.GetSize() != int64_t{w} * h * 4) return false;
    TBitmap32 bm(w, h);
    std::memcpy(bm.s_data.data(), block.Data(), static_cast<size_t>(block.GetSize()));
    *this = std::move(bm);
    return true;
  } catch (const StreamError&) {
    return false;
  }
}

void TBitmap32::SaveToStream(CStream& str) const {
  str.WriteInteger(800);
  str.WriteInteger(s_w);
  str.WriteInteger(s_h);
  if (int64_t{s_w} * s_h > 0) {
    CStream block;
    block.WriteBuffer(s_data.data(), static_cast<int32_t>(s_data.size() * 4));
    str.WriteStream(block);
  }
}

bool DecodeGifImages(const std::vector<uint8_t>& data, int32_t& width, int32_t& height,
                     std::vector<RGifImage>& images) {
  MemReader reader{&data};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, GifRead, &error);
  if (!gif) return false;
  bool ok = false;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
    const int64_t w = std::max<int64_t>(gif->SWidth, 1), h = std::max<int64_t>(gif->SHeight, 1);
    // Every image becomes a copy of the whole canvas.
    if (SizeOk(w, h) && w * h * gif->ImageCount <= TBitmap32::kMaxPixels) {
      std::vector<RGifImage> list(static_cast<size_t>(gif->ImageCount));
      ok = true;
      int64_t total = 0;
      for (int i = 0; i < gif->ImageCount && ok; ++i) {
        const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
        total += int64_t{std::max(d.Width, 0)} * std::max(d.Height, 0);
        ok = total <= TBitmap32::kMaxPixels && GifImage(gif, i, list[static_cast<size_t>(i)]);
      }
      if (ok) {
        width = static_cast<int32_t>(w);
        height = static_cast<int32_t>(h);
        images = std::move(list);
      }
    }
  }
  DGifCloseFile(gif, &error);
  return ok;
}