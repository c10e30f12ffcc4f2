// What each input's messages say about its sources, under the
// mapping: which tally bit, lamp, colour or frame ID means program
// and which preview.
#pragma once

#include "bridge/atem.h"
#include "bridge/config.h"
#include "bridge/tallystate.h"
#include "bridge/tsl31.h"
#include "bridge/tsl5.h"
#include "bridge/vmix.h"
#include "link/switcherframe.h"

#include <QMap>

namespace bridge {

SourceStates tsl31Sources(const Mapping &mapping, const QList<Tsl31Message> &messages);
// Each screen's displays are sources of their own. A broadcast display
// message speaks for every source the map drives; a packet to every screen
// for each screen heard so far (screen 0 before any), or the configured one.
// A packet to another screen than the configured one says nothing.
SourceStates tsl5Sources(const Mapping &mapping, const Tsl5Packet &packet, const SourceStates &heard);
// Input n of vMix is source n.
SourceStates vmixSources(const QList<VmixState> &tally);
// Entry n - 1 of the ATEM's tally by index is source n.
SourceStates atemSources(const AtemTally &tally);
// Each name on program or preview lights the input obsInput gives it:
// source n is parallel input n.
SourceStates obsSources(const Mapping &mapping, const ObsTally &tally);
// The last frame of each ID: a source is on program when it is lit in any
// program ID's frame, likewise preview.
SourceStates switcherSources(const Mapping &mapping, const QMap<int, switcherlink::LampStates> &frames);

} // namespace bridge
