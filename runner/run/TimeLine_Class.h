// CTimeLine: moments (step numbers in increasing order, each with an action list) that an
// instance runs through at its own speed. Also the time line list, the time lines chunk and the
// step's time line phase.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/run/Event_Class.h"

class CStream;

inline constexpr int32_t kTimeLineVersion = 500;

class CTimeLine {
 public:
  // Frees every moment (an event that runs stays alive until its walk ends).
  void Clear();
  // False on a wrong record version; damaged data throws StreamError.
  bool LoadFromStream(CStream& str);
  // Compiles every moment's actions with the event context (type 100000, number = the step);
  // the caller sets the owner.
  bool Compile();

  // The moment with exactly that step, else -1.
  int32_t Find(int32_t step) const;
  // -1 without moments; the count when every step is below step; else the first index whose
  // step is >= step.
  int32_t FindLarger(double step) const;
  // -1 without moments or when the first step is above step; else the last index whose step
  // is <= step.
  int32_t FindSmaller(double step) const;
  // Inserts an empty moment at step unless there is one; returns its index.
  int32_t AddMoment(int32_t step);
  void DeleteMoment(int32_t step);

  int32_t Count() const { return static_cast<int32_t>(s_step.size()); }
  CEvent* GetEvent(int32_t index) const;
  int32_t GetStep(int32_t index) const;

  std::vector<std::unique_ptr<CEvent>> s_event;
  std::vector<int32_t> s_step;
};

struct RTimeLinesState {
  static constexpr EGameSlot kSlot = EGameSlot::TimeLines;
  TResourceList<CTimeLine> timelines{"__newtimeline"};
};
// The time line list; new entries are named "__newtimeline" + index.
TResourceList<CTimeLine>& TimeLines();

// The time lines chunk. False on a wrong chunk or record version.
bool LoadTimeLines(CStream& str);
// Compiles every time line in index order, the index recorded as the event owner.
bool CompileTimeLines();
// Frees the time line's moments, or retires them while one of them runs.
void TimeLineClear(CTimeLine& line);
void TimeLineDeleteMoment(CTimeLine& line, int32_t step);
bool TimeLineDelete(int32_t index);

// The step's phase: every active unmarked instance with a running time line advances it and
// runs the moments it passes.
void RunTimeLines();
