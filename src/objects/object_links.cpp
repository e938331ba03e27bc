#include "objects/object_links.h"

#include "objects/game_object.h"
#include "objects/game_scene.h"

#include <algorithm>

namespace {

template <class T> void EraseOne(std::vector<T*>& list, const void* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

// The faction walks under way, and the lists that have empty entries to take out after them.
int g_nFactionWalks = 0;
std::vector<std::vector<cGameObject*>*> g_GroupsWithGaps;

void LeaveGroup(std::vector<cGameObject*>& group, const cGameObject* obj) {
    if (g_nFactionWalks == 0) {
        EraseOne(group, obj);
        return;
    }
    auto it = std::find(group.begin(), group.end(), obj);
    if (it == group.end()) return;
    *it = nullptr;
    if (std::find(g_GroupsWithGaps.begin(), g_GroupsWithGaps.end(), &group) == g_GroupsWithGaps.end())
        g_GroupsWithGaps.push_back(&group);
}

} // namespace

namespace cObjectLinks {

void SetTarget(cGameObject& watcher, cChara* target) {
    if (watcher.m_pTarget == target) return;
    if (watcher.m_pTarget) EraseOne(watcher.m_pTarget->m_Watchers, &watcher);
    watcher.m_pTarget = target;
    if (target) {
        target->m_Watchers.push_back(&watcher);
        watcher.m_bTargetLost = 0;
    }
}

void SetOwner(cGameObject& owned, cChara* owner) {
    if (owned.m_pOwner == owner) return;
    if (owned.m_pOwner) EraseOne(owned.m_pOwner->m_Owned, &owned);
    owned.m_pOwner = owner;
    if (owner) owner->m_Owned.push_back(&owned);
}

void SetCarrier(cChara& rider, cChara* carrier) {
    if (rider.m_pCarrier == carrier || carrier == &rider) return;
    if (rider.m_pCarrier) EraseOne(rider.m_pCarrier->m_Riders, &rider);
    rider.m_pCarrier = carrier;
    if (carrier) carrier->m_Riders.push_back(&rider);
}

void JoinFaction(cGameObject& obj, int faction) {
    LeaveFaction(obj);
    // A faction of 8 or more names none of the eight lists.
    if (!g_lpGameScene || faction < 0 || faction >= FACTION_COUNT) return;
    auto& groups =
        obj.m_nObjKind == OBJKIND_SHOT ? g_lpGameScene->m_ShotGroups : g_lpGameScene->m_CharaGroups;
    obj.m_pGroupList = &groups[faction];
    obj.m_nGroupFaction = faction;
    obj.m_pGroupList->push_back(&obj);
}

void LeaveFaction(cGameObject& obj) {
    if (obj.m_pGroupList) LeaveGroup(*obj.m_pGroupList, &obj);
    obj.m_pGroupList = nullptr;
    obj.m_nGroupFaction = -1;
}

void EmptyFaction(std::vector<cGameObject*>& group) {
    for (cGameObject* obj : group) {
        if (!obj) continue;
        obj->m_pGroupList = nullptr;
        obj->m_nGroupFaction = -1;
    }
    group.clear();
    g_GroupsWithGaps.erase(std::remove(g_GroupsWithGaps.begin(), g_GroupsWithGaps.end(), &group),
                           g_GroupsWithGaps.end());
}

void DropWatchers(cChara& target) {
    for (cGameObject* w : target.m_Watchers) {
        w->m_pTarget = nullptr;
        // A shot homing on the target learns that it has gone; a character simply has no target.
        if (w->m_nObjKind == OBJKIND_SHOT) w->m_bTargetLost = 1;
    }
    target.m_Watchers.clear();
    SetTarget(target, nullptr);
}

void DropOwned(cChara& owner) {
    for (cGameObject* o : owner.m_Owned)
        o->m_pOwner = nullptr;
    owner.m_Owned.clear();
}

void DropRiders(cChara& carrier) {
    for (cChara* r : carrier.m_Riders)
        r->m_pCarrier = nullptr;
    carrier.m_Riders.clear();
}

void UnlinkObject(cGameObject& obj) {
    SetTarget(obj, nullptr);
    SetOwner(obj, nullptr);
    LeaveFaction(obj);
}

void UnlinkChara(cChara& c) {
    DropWatchers(c);
    DropOwned(c);
    DropRiders(c);
    SetCarrier(c, nullptr);
}

void UnlinkAll(cGameObject& obj) {
    if (obj.IsChara()) UnlinkChara(static_cast<cChara&>(obj));
    UnlinkObject(obj);
}

} // namespace cObjectLinks

cFactionWalk::cFactionWalk() {
    ++g_nFactionWalks;
}

cFactionWalk::~cFactionWalk() {
    if (--g_nFactionWalks > 0) return;
    for (std::vector<cGameObject*>* group : g_GroupsWithGaps)
        group->erase(std::remove(group->begin(), group->end(), nullptr), group->end());
    g_GroupsWithGaps.clear();
}
