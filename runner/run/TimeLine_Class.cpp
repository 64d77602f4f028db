// Time lines, their chunk and the step's time line phase; see TimeLine_Class.h.
#include "runner/run/TimeLine_Class.h"

#include <algorithm>
#include <string>

#include "runner/base/Load_Chunks.h"
#include "runner/base/Support_Stream.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"

void CTimeLine::Clear() {
  // A moment may clear its own time line; its event lives on until the walk ends.
  for (auto& e : s_event) RetireEvent(std::move(e));
  s_event.clear();
  s_step.clear();
}

bool CTimeLine::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kTimeLineVersion) return false;
  const int32_t count = s.ReadInteger();
  // Each moment takes at least its step and the event's version and count.
  if (count < 0 || int64_t{count} * 12 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad moment count");
  for (int32_t i = 0; i < count; ++i) {
    const int32_t step = s.ReadInteger();
    auto e = std::make_unique<CEvent>();
    if (!e->LoadFromStream(s)) return false;
    // Steps are stored in increasing order; one out of order or repeated is damage that the
    // searches would silently misread.
    if (!s_step.empty() && step <= s_step.back()) throw StreamError("time line steps out of order");
    s_step.push_back(step);
    s_event.push_back(std::move(e));
  }
  return true;
}

bool CTimeLine::Compile() {
  REventContext& ctx = CurrentEvent();
  for (int32_t i = 0; i < Count(); ++i) {
    ctx.type = kTimeLineEventType;
    ctx.number = s_step[static_cast<size_t>(i)];
    ctx.action = 0;
    if (!s_event[static_cast<size_t>(i)]->Compile()) return false;
  }
  return true;
}

int32_t CTimeLine::Find(int32_t step) const {
  auto it = std::lower_bound(s_step.begin(), s_step.end(), step);
  return it != s_step.end() && *it == step ? static_cast<int32_t>(it - s_step.begin()) : -1;
}

int32_t CTimeLine::FindLarger(double step) const {
  if (s_step.empty()) return -1;
  if (s_step.back() < step) return Count();
  return static_cast<int32_t>(std::lower_bound(s_step.begin(), s_step.end(), step,
                                               [](int32_t a, double b) { return a < b; }) -
                              s_step.begin());
}

int32_t CTimeLine::FindSmaller(double step) const {
  if (s_step.empty() || s_step.front() > step) return -1;
  return static_cast<int32_t>(std::upper_bound(s_step.begin(), s_step.end(), step,
                                               [](double a, int32_t b) { return a < b; }) -
                              s_step.begin()) -
         1;
}

int32_t CTimeLine::AddMoment(int32_t step) {
  auto it = std::lower_bound(s_step.begin(), s_step.end(), step);
  const auto index = it - s_step.begin();
  if (it != s_step.end() && *it == step) return static_cast<int32_t>(index);
  s_step.insert(it, step);
  s_event.insert(s_event.begin() + index, std::make_unique<CEvent>());
  return static_cast<int32_t>(index);
}

void CTimeLine::DeleteMoment(int32_t step) {
  if (s_step.empty()) return;
  auto it = std::lower_bound(s_step.begin(), s_step.end(), step);
  if (it == s_step.end()) --it;
  if (*it != step) return;
  const auto index = it - s_step.begin();
  RetireEvent(std::move(s_event[static_cast<size_t>(index)]));
  s_event.erase(s_event.begin() + index);
  s_step.erase(it);
}

CEvent* CTimeLine::GetEvent(int32_t index) const {
  return index >= 0 && index < Count() ? s_event[static_cast<size_t>(index)].get() : nullptr;
}

int32_t CTimeLine::GetStep(int32_t index) const {
  return index >= 0 && index < Count() ? s_step[static_cast<size_t>(index)] : 0;
}

TResourceList<CTimeLine>& TimeLines() { return TheGame().State<RTimeLinesState>().timelines; }

bool TimeLineDelete(int32_t index) {
  CTimeLine* line = TimeLines().Get(index);
  if (!line) return false;
  line->Clear();
  return TimeLines().Delete(index);
}

bool LoadTimeLines(CStream& s) {
  TResourceList<CTimeLine>& lines = TimeLines();
  lines.Clear();
  if (s.ReadInteger() != kChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad time line count");
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    lines.Put(i, nullptr, std::string());
    if (!e.ReadBoolean()) continue;
    std::string name = e.ReadString();
    auto line = std::make_unique<CTimeLine>();
    if (!line->LoadFromStream(e)) {
      lines.Clear();
      return false;
    }
    lines.Put(i, std::move(line), std::move(name));
  }
  return true;
}

bool CompileTimeLines() {
  const REventContext saved = CurrentEvent();
  bool ok = true;
  for (int32_t i = 0; ok && i < TimeLines().Count(); ++i) {
    CTimeLine* line = TimeLines().Get(i);
    if (!line) continue;
    CurrentEvent().owner = i;
    ok = line->Compile();
  }
  CurrentEvent() = saved;
  return ok;
}

namespace {
// Runs moment index of the time line for the instance, when both still exist: a moment may
// delete moments or the whole time line.
void RunMoment(int32_t lineIndex, int32_t moment, CInstance* inst) {
  if (RoomChangePending()) return;
  const CTimeLine* line = TimeLines().Get(lineIndex);
  if (!line) return;
  CEvent* event = line->GetEvent(moment);
  if (!event) return;
  EventContextScope scope({lineIndex, kTimeLineEventType, line->GetStep(moment), 0});
  RunActionList(*event, inst, inst);
}

void AdvanceTimeLine(CInstance* inst) {
  const int32_t index = inst->i_timelineindex;
  const CTimeLine* line = TimeLines().Get(index);
  if (!line || line->Count() == 0 || !inst->i_timelinerunning || inst->i_timelinespeed == 0) return;
  const double speed = inst->i_timelinespeed;
  if (speed > 0) {
    const int32_t b = line->FindLarger(inst->i_timelineposition);
    inst->i_timelineposition += speed;
    const int32_t c = line->FindLarger(inst->i_timelineposition);
    for (int32_t m = b; m < c; ++m) RunMoment(index, m, inst);
    line = TimeLines().Get(index);
    if (line && line->Count() > 0 && inst->i_timelineloop &&
        inst->i_timelineposition > line->GetStep(line->Count() - 1))
      inst->i_timelineposition = 0;
  } else {
    const int32_t b = line->FindSmaller(inst->i_timelineposition);
    inst->i_timelineposition += speed;
    const int32_t c = line->FindSmaller(inst->i_timelineposition);
    for (int32_t m = b; m > c; --m) RunMoment(index, m, inst);
    line = TimeLines().Get(index);
    if (line && line->Count() > 0 && inst->i_timelineloop && inst->i_timelineposition < 0)
      inst->i_timelineposition = line->GetStep(line->Count() - 1);
  }
}
}  // namespace

void RunTimeLines() {
  CRoom* room = CurrentRoom();
  // Without time lines no instance can run one: the walk over the room is skipped.
  if (!room || TimeLines().Count() == 0) return;
  // Instances made by a moment join from the next step on.
  const int32_t count = room->r_numb();
  for (int32_t i = 0; i < count; ++i) {
    CInstance* inst = room->Instance(i);
    if (inst && !inst->i_marked) AdvanceTimeLine(inst);
  }
}
