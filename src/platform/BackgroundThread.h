#pragma once

// Work done in the background for the window (picture decoding, say) yields
// the processor to the window's thread, so that scrolling and painting stay
// smooth while every core decodes.
namespace BackgroundThread {

// Lowers the priority of the calling thread below the window's.
void LowerPriority();

} // namespace BackgroundThread
