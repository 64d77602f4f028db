// The binary side of gamebuild: every record of the container in the order the runner reads it.
#include "tools/gamebuild/GameWriter.h"

#include <random>
#include <stdexcept>

#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/base/Load_Chunks.h"
#include "runner/base/Load_Chunks.h"

namespace gamebuild {
namespace {

// The free signature bytes spell KVRX; none is 0xF7, so zero padding before them never matches.
constexpr uint8_t kSignature[8] = {0x4B, 0x00, 0x56, 0xF7, 0x67, 0x52, 0x14, 0x58};

void WriteBlockC(CStream& out, CStream& content) { out.WriteStreamC(content); }

// The packages with their records, then each package's files: a key, one compressed block per
// file that carries data, the bytes after the fifth enciphered with the key.
void WriteExtensions(CStream& c, const RProject& p) {
  c.WriteInteger(kExtensionChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.extensions.size()));
  int32_t key = static_cast<int32_t>(p.seed % 1000000u) + 1;  // never negative
  for (const RExtensionSource& pkg : p.extensions) {
    c.WriteInteger(kExtensionChunkVersion);
    c.WriteString(pkg.name);
    c.WriteString(pkg.folder);
    c.WriteInteger(static_cast<int32_t>(pkg.files.size()));
    for (const RExtensionFileSource& f : pkg.files) {
      c.WriteInteger(kExtensionChunkVersion);
      c.WriteString(f.file);
      c.WriteInteger(f.kind);
      c.WriteString(f.init);
      c.WriteString(f.final);
      c.WriteInteger(static_cast<int32_t>(f.functions.size()));
      for (const RExtensionFunctionSource& fn : f.functions) {
        c.WriteInteger(kExtensionChunkVersion);
        c.WriteString(fn.name);
        c.WriteString(fn.external);
        c.WriteInteger(fn.convention);
        c.WriteInteger(fn.id);
        c.WriteInteger(fn.argcount);
        for (int32_t t : fn.argtypes) c.WriteInteger(t);
        c.WriteInteger(fn.returns);
      }
      c.WriteInteger(static_cast<int32_t>(f.constants.size()));
      for (const auto& [name, value] : f.constants) {
        c.WriteInteger(kExtensionChunkVersion);
        c.WriteString(name);
        c.WriteString(value);
      }
    }
    CStream data;
    data.WriteInteger(key);
    for (const RExtensionFileSource& f : pkg.files) {
      if (f.kind == 3) continue;
      CStream block;
      if (!f.data.empty()) block.WriteBuffer(f.data.data(), static_cast<int32_t>(f.data.size()));
      data.WriteStreamC(block);
    }
    if (data.GetSize() > 5) data.Encrypt(key, 5, 0);
    c.WriteStream(data);
    key = key % 1000000 + 7;
  }
}

void WriteScripts(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.scripts.size()));
  for (const auto& script : p.scripts) {
    CStream e;
    e.WriteBoolean(script.has_value());
    if (script) {
      e.WriteString(script->name);
      e.WriteInteger(800);
      e.WriteString(script->text);
    }
    WriteBlockC(c, e);
  }
}

void WriteAction(CStream& e, const RActionSource& a) {
  e.WriteInteger(440);
  e.WriteInteger(a.libid);
  e.WriteInteger(a.id);
  e.WriteInteger(a.kind);
  e.WriteBoolean(a.userelative);
  e.WriteBoolean(a.isquestion);
  e.WriteBoolean(a.useapplyto);
  e.WriteInteger(a.exetype);
  e.WriteString(a.function);
  e.WriteString(a.code);
  const auto n = static_cast<int32_t>(a.args.size());
  e.WriteInteger(n);
  e.WriteInteger(n);
  for (int32_t t : a.argtypes) e.WriteInteger(t);
  e.WriteInteger(a.who);
  e.WriteBoolean(a.relative);
  e.WriteInteger(n);
  for (const std::string& text : a.args) e.WriteString(text);
  e.WriteBoolean(a.isnot);
}

void WritePaths(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.paths.size()));
  for (const auto& path : p.paths) {
    CStream e;
    e.WriteBoolean(path.has_value());
    if (path) {
      e.WriteString(path->name);
      e.WriteInteger(530);
      e.WriteInteger(path->kind);
      e.WriteBoolean(path->closed);
      e.WriteInteger(path->precision);
      e.WriteInteger(static_cast<int32_t>(path->points.size()));
      for (const RPathPointSource& pt : path->points) {
        e.WriteReal(pt.x);
        e.WriteReal(pt.y);
        e.WriteReal(pt.speed);
      }
    }
    WriteBlockC(c, e);
  }
}

void WriteTimeLines(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.timelines.size()));
  for (const auto& t : p.timelines) {
    CStream e;
    e.WriteBoolean(t.has_value());
    if (t) {
      e.WriteString(t->name);
      e.WriteInteger(500);
      e.WriteInteger(static_cast<int32_t>(t->moments.size()));
      for (const RMomentSource& m : t->moments) {
        e.WriteInteger(m.step);
        e.WriteInteger(400);
        e.WriteInteger(static_cast<int32_t>(m.actions.size()));
        for (const RActionSource& a : m.actions) WriteAction(e, a);
      }
    }
    WriteBlockC(c, e);
  }
}

void WriteTriggers(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.triggers.size()));
  for (const auto& t : p.triggers) {
    CStream e;
    e.WriteBoolean(t.has_value());
    if (t) {
      e.WriteInteger(800);
      e.WriteString(t->name);
      e.WriteString(t->condition);
      e.WriteInteger(t->moment);
      e.WriteString(t->constant);
    }
    WriteBlockC(c, e);
  }
}

void WriteFonts(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.fonts.size()));
  for (const auto& f : p.fonts) {
    CStream e;
    e.WriteBoolean(f.has_value());
    if (f) {
      e.WriteString(f->name);
      e.WriteBuffer(f->record.data(), static_cast<int32_t>(f->record.size()));
    }
    c.WriteStreamC(e);
  }
}

void WriteSounds(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.sounds.size()));
  for (const auto& s : p.sounds) {
    CStream e;
    e.WriteBoolean(s.has_value());
    if (s) {
      e.WriteString(s->name);
      e.WriteInteger(kChunkVersion);
      e.WriteInteger(s->kind);
      e.WriteString(s->extension);
      e.WriteString(s->origname);
      e.WriteBoolean(s->hasData);
      if (s->hasData) {
        CStream data = CStream::FromBytes(s->data.data(), s->data.size());
        e.WriteStream(data);
      }
      e.WriteInteger(s->effects);
      e.WriteReal(s->volume);
      e.WriteReal(s->pan);
      e.WriteBoolean(s->preload);
    }
    c.WriteStreamC(e);
  }
}

void WriteObjects(CStream& c, const RProject& p) {
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.objects.size()));
  for (const auto& o : p.objects) {
    CStream e;
    e.WriteBoolean(o.has_value());
    if (o) {
      e.WriteString(o->name);
      e.WriteInteger(430);
      e.WriteInteger(o->sprite);
      e.WriteBoolean(o->solid);
      e.WriteBoolean(o->visible);
      e.WriteInteger(o->depth);
      e.WriteBoolean(o->persistent);
      e.WriteInteger(o->parent);
      e.WriteInteger(o->mask);
      e.WriteInteger(11);  // last event type
      auto ev = o->events.begin();  // sorted by type, then number
      for (int32_t t = 0; t <= 11; ++t) {
        for (; ev != o->events.end() && ev->type == t; ++ev) {
          e.WriteInteger(ev->number);
          e.WriteInteger(400);
          e.WriteInteger(static_cast<int32_t>(ev->actions.size()));
          for (const RActionSource& a : ev->actions) WriteAction(e, a);
        }
        e.WriteInteger(-1);
      }
    }
    WriteBlockC(c, e);
  }
}

void WriteRoom(CStream& e, const RRoomSource& r) {
  e.WriteInteger(kRoomRecordVersion);
  e.WriteString(r.caption);
  e.WriteInteger(r.width);
  e.WriteInteger(r.height);
  e.WriteInteger(r.speed);
  e.WriteBoolean(r.persistent);
  e.WriteInteger(r.color);
  e.WriteBoolean(r.showColor);
  e.WriteString(r.code);
  e.WriteInteger(static_cast<int32_t>(r.backgrounds.size()));
  for (const RRoomBackSource& b : r.backgrounds) {
    e.WriteBoolean(b.visible);
    e.WriteBoolean(b.foreground);
    e.WriteInteger(b.background);
    e.WriteInteger(b.x);
    e.WriteInteger(b.y);
    e.WriteBoolean(b.htiled);
    e.WriteBoolean(b.vtiled);
    e.WriteInteger(b.hspeed);
    e.WriteInteger(b.vspeed);
    e.WriteBoolean(b.stretch);
  }
  e.WriteBoolean(r.enableViews);
  e.WriteInteger(static_cast<int32_t>(r.views.size()));
  for (const RRoomViewSource& v : r.views) {
    e.WriteBoolean(v.visible);
    for (int32_t n : {v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport, v.hborder, v.vborder,
                      v.hspeed, v.vspeed, v.follow})
      e.WriteInteger(n);
  }
  e.WriteInteger(static_cast<int32_t>(r.instances.size()));
  for (const RRoomInstanceSource& i : r.instances) {
    e.WriteInteger(i.x);
    e.WriteInteger(i.y);
    e.WriteInteger(i.object);
    e.WriteInteger(i.id);
    e.WriteString(i.code);
  }
  e.WriteInteger(static_cast<int32_t>(r.tiles.size()));
  for (const RRoomTileSource& t : r.tiles)
    for (int32_t n : {t.x, t.y, t.background, t.left, t.top, t.width, t.height, t.depth, t.id}) e.WriteInteger(n);
}

void WriteRooms(CStream& c, const RProject& p) {
  c.WriteInteger(kRoomsChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.rooms.size()));
  for (const auto& r : p.rooms) {
    CStream e;
    e.WriteBoolean(r.has_value());
    if (r) {
      e.WriteString(r->name);
      WriteRoom(e, *r);
    }
    WriteBlockC(c, e);
  }
  c.WriteInteger(p.lastInstanceId);
  c.WriteInteger(p.lastTileId);
}

void WriteIncluded(CStream& c, const RProject& p) {
  c.WriteInteger(kDataFileVersion);
  c.WriteInteger(static_cast<int32_t>(p.included.size()));
  for (const RIncludedSource& f : p.included) {
    CStream e;
    e.WriteInteger(kDataFileVersion);
    e.WriteString(f.name);
    e.WriteString(f.origname);
    e.WriteBoolean(f.exists);
    e.WriteInteger(f.size);
    e.WriteBoolean(f.store);
    if (f.exists && f.store) {
      CStream data(f.data);
      e.WriteStream(data);
    }
    e.WriteInteger(f.exportAction);
    e.WriteString(f.exportDir);
    e.WriteBoolean(f.overwrite);
    e.WriteBoolean(f.freeData);
    e.WriteBoolean(f.removeEnd);
    WriteBlockC(c, e);
  }
}

void WriteGameInfo(CStream& c, const RGameInfoSource& info) {
  c.WriteInteger(kChunkVersion);
  CStream e;
  e.WriteInteger(info.color);
  e.WriteBoolean(info.embed);
  e.WriteString(info.caption);
  e.WriteInteger(info.left);
  e.WriteInteger(info.top);
  e.WriteInteger(info.width);
  e.WriteInteger(info.height);
  e.WriteBoolean(info.border);
  e.WriteBoolean(info.sizeable);
  e.WriteBoolean(info.stayOnTop);
  e.WriteBoolean(info.pause);
  CStream text(std::vector<uint8_t>(info.rtf.begin(), info.rtf.end()));
  e.WriteStream(text);
  WriteBlockC(c, e);
}

// The plain region after the version word.
CStream WriteHeader(const RProject& p, std::mt19937& gen) {
  std::array<uint8_t, 16> session{};
  if (p.sessionId) {
    session = *p.sessionId;
  } else {
    for (size_t i = 0; i < session.size(); i += 4) {
      const uint32_t r = gen();
      for (size_t k = 0; k < 4; ++k) session[i + k] = static_cast<uint8_t>(r >> (8 * k));
    }
  }
  const uint32_t eSeed = gen();

  CStream h;
  h.WriteInteger(0);  // reserved
  h.WriteBoolean(p.debug);
  h.WriteInteger(0);  // reserved
  WriteSettings(h, p.settings);
  h.WriteString(p.libraryName);
  CStream library(p.library);
  h.WriteStreamC(library);
  CStream chunks = WriteChunks(p, session);
  h.WriteStreamE(chunks, eSeed);
  return h;
}

}  // namespace

void WriteSettings(CStream& out, const ROptions& o) {
  out.WriteInteger(kOptionsVersion);
  CStream s;
  s.WriteBoolean(o.opt_fullscreen);
  s.WriteBoolean(o.opt_interpolate);
  s.WriteBoolean(o.opt_noborder);
  s.WriteBoolean(o.opt_showcursor);
  s.WriteInteger(o.opt_scale);
  s.WriteBoolean(o.opt_sizeable);
  s.WriteBoolean(o.opt_stayontop);
  s.WriteInteger(o.opt_windowcolor);
  s.WriteBoolean(o.opt_changeres);
  s.WriteInteger(o.opt_colordepth);
  s.WriteInteger(o.opt_resolution);
  s.WriteInteger(o.opt_frequency);
  s.WriteBoolean(o.opt_nobuttons);
  s.WriteBoolean(o.opt_vsync);
  s.WriteBoolean(o.opt_noscreensaver);
  s.WriteBoolean(o.opt_keyf4);
  s.WriteBoolean(o.opt_keyf1);
  s.WriteBoolean(o.opt_keyesc);
  s.WriteBoolean(o.opt_keyf5f6);
  s.WriteBoolean(o.opt_keyf9);
  s.WriteBoolean(o.opt_closeasesc);
  s.WriteInteger(o.opt_priority);
  s.WriteBoolean(o.opt_freeze);
  s.WriteBoolean(o.opt_showprogress);
  if (o.opt_showprogress) {
    s.WriteBitmap(o.opt_progressback.get());
    s.WriteBitmap(o.opt_progressfront.get());
  }
  s.WriteBitmap(o.opt_loadimage.get());
  s.WriteBoolean(o.opt_loadtransparent);
  s.WriteInteger(o.opt_loadalpha);
  s.WriteBoolean(o.opt_scaleprogress);
  s.WriteBoolean(o.opt_showerrors);
  s.WriteBoolean(o.opt_logerrors);
  s.WriteBoolean(o.opt_aborterrors);
  s.WriteInteger((o.opt_uninitzero ? 1 : 0) | (o.opt_argerrors ? 2 : 0));
  out.WriteStreamC(s);
}

CStream WriteChunks(const RProject& p, const std::array<uint8_t, 16>& sessionId) {
  CStream c;
  c.WriteInteger(0);  // filler count
  c.WriteInteger(0);  // flags
  c.WriteInteger(p.gameId);
  c.WriteBuffer(sessionId.data(), static_cast<int32_t>(sessionId.size()));

  WriteExtensions(c, p);
  WriteTriggers(c, p);
  c.WriteInteger(kChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.constants.size()));
  for (const auto& [name, value] : p.constants) {
    c.WriteString(name);
    c.WriteString(value);
  }
  WriteSounds(c, p);
  WriteSpriteChunk(c, p.sprites);
  WriteBackgroundChunk(c, p.backgrounds);
  WritePaths(c, p);
  WriteScripts(c, p);
  WriteFonts(c, p);
  WriteTimeLines(c, p);
  WriteObjects(c, p);
  WriteRooms(c, p);
  WriteIncluded(c, p);
  WriteGameInfo(c, p.info);
  c.WriteInteger(kLibraryInitChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.libraryInit.size()));
  for (const std::string& code : p.libraryInit) c.WriteString(code);
  c.WriteInteger(kRoomOrderChunkVersion);
  c.WriteInteger(static_cast<int32_t>(p.roomOrder.size()));
  for (int32_t room : p.roomOrder) c.WriteInteger(room);
  return c;
}

std::vector<uint8_t> WriteGameFile(const RProject& project, const std::vector<uint8_t>& runner, uint32_t seed) {
  // mt19937's sequence is fixed by the standard, so a seed gives the same file everywhere.
  std::mt19937 gen(seed);
  const uint32_t k1 = gen();
  const CStream region = WriteHeader(project, gen);

  int64_t s = std::max<int64_t>(kSignatureSearchStart, static_cast<int64_t>(runner.size()));
  for (;;) {
    if (s + 20 + region.GetSize() > CStream::kMaxSize) throw std::runtime_error("game file too large");
    CStream f;
    f.WriteBuffer(runner.data(), static_cast<int32_t>(runner.size()));
    const std::vector<uint8_t> padding(static_cast<size_t>(s) - runner.size(), 0);
    f.WriteBuffer(padding.data(), static_cast<int32_t>(padding.size()));
    f.WriteBuffer(kSignature, sizeof kSignature);
    f.WriteInteger(0);  // K1, K2: filled in by the scrambling
    f.WriteInteger(0);
    f.WriteInteger(kGameDataVersion ^ VersionWordKey(s));
    f.WriteBuffer(region.Data(), region.GetSize());
    f.EncryptWad(static_cast<int32_t>(s + 8), k1);
    // The runner's own bytes may hold a signature; the data then moves past it.
    const int64_t found = FindGameDataSignature(f.Data(), static_cast<size_t>(f.GetSize()));
    if (found == s) return f.Bytes();
    if (found < 0 || found > s) throw std::logic_error("signature search missed the written signature");
    // Seven bytes of the runner make a match whatever follows them; no padding helps then.
    if (found + 7 <= static_cast<int64_t>(runner.size()))
      throw std::runtime_error("the runner holds a game-data signature at offset " + std::to_string(found) +
                               " and cannot carry game data");
    ++s;
  }
}

}  // namespace gamebuild
