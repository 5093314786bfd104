#include "link/link_event.h"

#include <array>

namespace ctrlprog {
namespace {

using K = LinkEventKind;
using T = TallyEffect;

struct Row {
  LinkEventKind kind;
  EventTraits traits;
};

// text, in the window's log, colour, record result, JSON name, tally, ends a board
constexpr std::array<Row, 10> kTraits = {{
    {K::Started, {kTransmitStarted, true, kColourBlue, "", "started", T::None, false}},
    {K::Passed, {kTransmitFinished, true, kColourBlue, "PASS", "finished", T::Programmed, true}},
    {K::Failed, {kTransmitFail, true, kColourBlue, "FAIL", "fail", T::Failed, true}},
    {K::Unconfirmed,
     {kTransmitUnconfirmed, false, kColourBlue, "UNCONFIRMED", "unconfirmed", T::Failed, true}},
    {K::Lost, {kCommLost, true, kColourRed, "LOST", "lost", T::Lost, false}},
    {K::Restored, {kCommRestored, true, kColourDarkGreen, "RESTORED", "restored", T::None, false}},
    {K::Closed, {kCommIsClosed, true, kColourBlue, "", "closed", T::None, false}},
    {K::Refused, {kCommIsClosed, true, kColourBlue, "", "refused", T::None, false}},
    {K::RecordFailed, {"", false, kColourRed, "", "record_failed", T::None, false}},
    {K::Stray, {kStrayByte, false, kColourBlue, "", "stray_byte", T::None, false}},
}};

constexpr bool InOrder() {
  for (size_t i = 0; i < kTraits.size(); ++i) {
    if (static_cast<size_t>(kTraits[i].kind) != i) return false;
  }
  return true;
}
static_assert(InOrder(), "one row per kind, in the enum's order");

}  // namespace

const EventTraits& TraitsOf(LinkEventKind kind) {
  return kTraits[static_cast<size_t>(kind)].traits;
}

}  // namespace ctrlprog
