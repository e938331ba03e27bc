// The one place where links between game objects are made and broken. Every link is kept on both
// sides:
//   target:  object.m_pTarget            <-> target.m_Watchers
//   owner:   object.m_pOwner             <-> owner.m_Owned
//   rider:   rider.m_pCarrier            <-> carrier.m_Riders
//   faction: object.m_nGroupFaction      <-> the play scene's m_CharaGroups / m_ShotGroups
// A faction outside 0-7 names no list: joining it leaves the object in no list.
#pragma once

#include <vector>

class cGameObject;
class cChara;

namespace cObjectLinks {

void SetTarget(cGameObject& watcher, cChara* target);
void SetOwner(cGameObject& owned, cChara* owner);
void SetCarrier(cChara& rider, cChara* carrier);
void JoinFaction(cGameObject& obj, int faction);
void LeaveFaction(cGameObject& obj);
// Every object of a faction list leaves it at once; the list is left empty.
void EmptyFaction(std::vector<cGameObject*>& group);

// The target leaves: every watcher loses it (a shot also learns that its target is gone), and its
// own target link is dropped.
void DropWatchers(cChara& target);
// Every owned object loses its owner.
void DropOwned(cChara& owner);
// Every rider stops riding.
void DropRiders(cChara& carrier);
// The links every object has (target, owner, faction) and those only characters have (watchers,
// owned objects, riders, what it rides). The destructors run them, each while its own members
// still exist: a character's part first, then the object's.
void UnlinkObject(cGameObject& obj);
void UnlinkChara(cChara& chara);
// Everything at once: what an object leaving play needs.
void UnlinkAll(cGameObject& obj);

} // namespace cObjectLinks

// While one lives, an object that leaves a faction list leaves an empty entry (null) where it was
// instead of moving up the entries behind it, so that a walk over the lists by index meets every
// object that was in them when it began (and those that join at their ends meanwhile). The empty
// entries are taken out, in one pass over each list, when the last one ends. Whatever reads the
// faction lists while one lives passes over empty entries.
class cFactionWalk {
  public:
    cFactionWalk();
    ~cFactionWalk();
    cFactionWalk(const cFactionWalk&) = delete;
    cFactionWalk& operator=(const cFactionWalk&) = delete;
};
