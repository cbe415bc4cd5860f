#pragma once

#include <QString>

namespace imagegen {

// Writes the default sounds (Alarm1.wav ... Alarm5.wav, 16-bit PCM mono,
// 22050 Hz) into `folder`. Returns false when a file cannot be written.
bool writeSounds(const QString& folder);

} // namespace imagegen
