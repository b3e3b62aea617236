// Whether a group may write a user's private folder: the user-private group scheme (a group of
// its own for each user, and umask 002) makes folders group-writable that nobody else can write.
// Plain POSIX, no other part of the layer: the data tool shares it.
#pragma once

#include <sys/types.h>

// True when `gid` is the private group of the user `uid`: the user is its only member (by their
// primary group or as its one listed member) and no other account has it as primary group. A
// group with no member at all, another member or no entry is not.
bool MvIsUsersPrivateGroup(gid_t gid, uid_t uid);
