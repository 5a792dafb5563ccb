// Host generations. A driver is compiled against the headers of one
// generation (HT_HOST_GENERATION, 7 unless the build says otherwise); the
// host library serves drivers of generations 6 and 7 alike. What differs:
//   - a device registers its own drawing actions as (device, action, 0, 1) in
//     generation 7 and as (device, action, 1), without the option word, in 6;
//   - the generation-6 device base class has no reserved operation, so every
//     virtual operation after it sits one slot earlier.
// The host's side of the difference is HT_Device_Adapter (ht_renderer.h) and
// the generation-6 registration functions.
#pragma once

#ifndef HT_HOST_GENERATION
#define HT_HOST_GENERATION 7
#endif

inline constexpr int ht_host_generation = HT_HOST_GENERATION;
inline constexpr int ht_oldest_generation = 6;
inline constexpr int ht_newest_generation = 7;

// Arguments of a device's registration of its own action.
#if HT_HOST_GENERATION >= 7
#define HT_OWN_ACTION(device, action) (device), (action), 0, 1
#else
#define HT_OWN_ACTION(device, action) (device), (action), 1
#endif

// The host library itself offers both generations' registration functions.
#if defined(HT_BUILDING_HOST) || HT_HOST_GENERATION >= 7
#define HT_GENERATION_7_API 1
#else
#define HT_GENERATION_7_API 0
#endif
#if defined(HT_BUILDING_HOST) || HT_HOST_GENERATION < 7
#define HT_GENERATION_6_API 1
#else
#define HT_GENERATION_6_API 0
#endif
