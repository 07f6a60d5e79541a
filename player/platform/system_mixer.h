#pragma once
// The system volume control program: pavucontrol when it is on PATH.
namespace SystemMixer {
// Starts it detached; false when it is not installed or does not start.
bool start();
} // namespace SystemMixer
