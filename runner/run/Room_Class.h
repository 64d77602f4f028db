// CRoom: a room resource and its live copy while played (settings, eight background layers,
// eight views, the active and deactivated instance lists with the per-object lists, tiles),
// with its stream form, depth sorting, removal of marked instances, activation changes,
// background scrolling and view following. A room read from the game data holds its placed
// instances as plain records until someone asks for its instances (its live copy, when the
// room is played): a game of many rooms would otherwise hold a whole instance for each.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "runner/run/Instance_Class.h"

class CStream;

inline constexpr int32_t kRoomRecordVersion = 541;
inline constexpr int32_t kRoomSaveVersion = 540;
inline constexpr int32_t kRoomLayers = 8;
inline constexpr int32_t kRoomViews = 8;

struct CBack {
  bool visible = false;
  bool foreground = false;
  int32_t index = -1;
  double x = 0, y = 0;
  bool htiled = true, vtiled = true;
  double hspeed = 0, vspeed = 0;
  double xscale = 1, yscale = 1;
  uint32_t blend = 0xFFFFFF;
  double alpha = 1;
};

struct CView {
  bool visible = false;
  int32_t xview = 0, yview = 0, wview = 640, hview = 480;
  int32_t xport = 0, yport = 0, wport = 640, hport = 480;
  double angle = 0;
  int32_t hborder = 32, vborder = 32;
  int32_t hspeed = -1, vspeed = -1;
  int32_t index = -1;  // object, or instance id when above 99999, to follow
};

struct RTile {
  double x = 0, y = 0;
  int32_t index = -1;
  int32_t xo = 0, yo = 0, w = 0, h = 0;
  double depth = 0;
  int32_t id = 0;
  double xscale = 1, yscale = 1;
  uint32_t blend = 0xFFFFFF;
  double alpha = 1;
  bool visible = true;
};

// A placed instance as the game data gives it; its creation code is a range of the room's
// `r_placedcode`, so reading a room allocates nothing per record.
struct RPlacedInstance {
  int32_t x = 0, y = 0;
  int32_t objectindex = 0;
  int32_t id = 0;
  uint32_t code = 0, codelength = 0;
};

// Size of a background resource, for stretched layers and the layer size variables. The
// background unit fills in the lookup (RunLookups().backgroundSize); until then no background
// exists.
bool GetBackgroundSize(int32_t background, int32_t& width, int32_t& height);

class CRoom {
 public:
  CRoom() = default;
  CRoom(const CRoom&) = delete;
  CRoom& operator=(const CRoom&) = delete;

  // Back to the defaults, every instance of both lists and every tile freed.
  void Clear();
  // Clears, then copies everything from obj: settings, layers, views, every active and
  // inactive instance (same ids), tiles; rebuilds the per-object lists.
  void Assign(const CRoom& obj);
  // The room record; false on a wrong record version. Damaged data throws StreamError.
  bool LoadFromStream(CStream& str);
  // The live copy as a saved game holds it: settings, layers, views, both instance lists and
  // the tiles. Loading fills a fresh room: false on a wrong version; damaged data, or an index
  // naming an object or resource the game does not have, throws StreamError.
  void SaveGameToStream(CStream& str) const;
  bool LoadGameFromStream(CStream& str);

  // Appends a new instance with the next run-time id and adds it to the per-object lists of
  // its object and every ancestor. Runs no event.
  CInstance* AddInstance(double x, double y, int32_t objectind);
  // Appends an instance built elsewhere (loading, carried instances) to the lists.
  CInstance* AppendInstance(std::unique_ptr<CInstance> inst);
  // Frees every active instance and empties the per-object lists.
  void ClearInstances();
  // Frees the marked instances, keeping the order of the rest; rebuilds the per-object lists
  // when any went.
  void RemoveMarked();
  // Clears and refills the per-object lists from the active list.
  void RebuildObjectLists();
  // Call after changing the id of an instance in the room.
  void InvalidateIds() { ids_valid_ = false; }
  // Stable sort of the active list by decreasing depth, when it is out of order. A caller that
  // has just walked the list and found it in order (InDepthOrder on each neighbouring pair)
  // says so, and the list is not walked again.
  void SortInstances(bool knownInOrder = false);
  // Whether an instance before another in the active list is where the depth sort leaves it.
  static bool InDepthOrder(const CInstance& before, const CInstance& after);
  // Moves reactivated instances to the end of the active list and deactivated ones to the
  // end of the inactive list; rebuilds the per-object lists when anything moved.
  void UpdateActive();
  // Every layer moves by its speed.
  void ScrollBackground();
  // Moves each visible view (when views are enabled) after the instance it follows.
  void FollowViews();

  // Tiles. Indices out of range are ignored (get: false).
  int32_t AddTile(const RTile& val);
  void ClearTiles();
  void DeleteTilesAt(double x, double y, bool foreground);
  int32_t FindTile(int32_t id);
  int32_t FindTileAt(double x, double y, bool foreground);
  void DeleteTile(int32_t ind);
  void SortTiles();
  void HideTilesDepth(double depth);
  void ShowTilesDepth(double depth);
  void DeleteTilesDepth(double depth);
  void ShiftTilesDepth(double depth, double x, double y);
  int32_t FindTileAtDepth(double depth, double x, double y);
  void DeleteTilesAtDepth(double depth, double x, double y);
  void ChangeTilesDepth(double olddepth, double newdepth);
  bool GetTile(int32_t ind, RTile& out) const;
  void SetTile(int32_t ind, const RTile& val);
  int32_t r_tnumb() const { return static_cast<int32_t>(r_tile.size()); }

  // Asking for the instances (their count, one of them, the per-object lists) makes the
  // instances of the placed records first.
  int32_t r_numb() const {
    MakePlacedInstances();
    return static_cast<int32_t>(r_instance.size());
  }
  CInstance* Instance(int32_t pos) const {
    return pos >= 0 && pos < r_numb() ? r_instance[static_cast<size_t>(pos)].get() : nullptr;
  }
  int32_t r_numb_deact() const { return static_cast<int32_t>(r_instance_deact.size()); }
  int32_t Obj_Number(int32_t objind) const {
    MakePlacedInstances();
    return ListSize(r_obj_instance, objind);
  }
  CInstance* Obj_Instance(int32_t objind, int32_t numb) const {
    MakePlacedInstances();
    return ListAt(r_obj_instance, objind, numb);
  }
  int32_t Obj_Number_Recursive(int32_t objind) const {
    MakePlacedInstances();
    return ListSize(r_obj_instance_recursive, objind);
  }
  CInstance* Obj_Instance_Recursive(int32_t objind, int32_t numb) const {
    MakePlacedInstances();
    return ListAt(r_obj_instance_recursive, objind, numb);
  }
  // Placed records not yet made into instances (a room resource never played or copied).
  int32_t r_numb_placed() const { return static_cast<int32_t>(r_placed.size()); }
  // Makes the placed records into instances, in their order, before the instances added since;
  // nothing when there are none. Callable on a const room: the records are only the deferred
  // form of instances the room already has, and no room is ever defined const.
  void MakePlacedInstances() const {
    if (!r_placed.empty()) [[unlikely]]
      const_cast<CRoom*>(this)->MakePlaced();
  }
  // The active instance with that id, an unmarked one when there are several; null when none.
  CInstance* FindInstance(int32_t id);

  std::string r_caption;
  int32_t r_speed = 30;
  int32_t r_width = 640, r_height = 480;
  bool r_persistent = false;
  uint32_t r_color = 0xC0C0C0;
  bool r_showcolor = true;
  std::array<CBack, kRoomLayers> r_background{};
  bool r_enableviews = false;
  std::array<CView, kRoomViews> r_view{};
  std::string r_code;
  // The placed instances still held as records; they come before every entry of r_instance.
  std::vector<RPlacedInstance> r_placed;
  std::string r_placedcode;
  std::vector<std::unique_ptr<CInstance>> r_instance;
  std::vector<std::unique_ptr<CInstance>> r_instance_deact;
  std::vector<std::vector<CInstance*>> r_obj_instance;
  std::vector<std::vector<CInstance*>> r_obj_instance_recursive;
  std::vector<RTile> r_tile;
  int32_t r_lasttile = -1;

 private:
  using Lists = std::vector<std::vector<CInstance*>>;
  static int32_t ListSize(const Lists& l, int32_t i) {
    return i >= 0 && i < static_cast<int32_t>(l.size()) ? static_cast<int32_t>(l[static_cast<size_t>(i)].size()) : 0;
  }
  static CInstance* ListAt(const Lists& l, int32_t i, int32_t n) {
    if (n < 0 || n >= ListSize(l, i)) return nullptr;
    return l[static_cast<size_t>(i)][static_cast<size_t>(n)];
  }
  void AddToObjectLists(CInstance* inst);
  void MakePlaced();

  std::unordered_map<int32_t, CInstance*> ids_;
  bool ids_valid_ = false;
};
