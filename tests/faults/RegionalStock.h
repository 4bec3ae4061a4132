#pragma once
// The regional stock's cases are declared with the meeting saves, whose set-up they share.
#include "MeetingSaves.h"
