#pragma once
// The process-wide receiver of the control's messages for the user.
#include "lyravox/effect.h"

namespace lvx::fx {

void setMessageSink(lvx_message_sink sink, void *ctx);
// Any thread; returns when the sink has returned. Without a sink the text goes to stderr.
void showMessage(const char *text);

} // namespace lvx::fx
