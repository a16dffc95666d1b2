// The Android log: the real one on Android, a stand-in elsewhere.
#pragma once

#if defined(__ANDROID__) || defined(ANDROID)
#include <android/log.h>
#else
#include "platform/android_log_stub.h"
#endif
