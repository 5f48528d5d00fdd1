#pragma once
// The work document as the model's whole work: captured, saved, and opened
// into the model with its artwork and every layer's settings.

#include <string>

#include "core/formats/work_document.h"

namespace tintloom {

class TCoordinationModel;

// The model's work as a document to be saved at `workPath`.
TWorkDocument CaptureWorkDocument(const TCoordinationModel& model, const std::string& workPath);
// Writes it; a file that cannot be written is reported, an existing one
// left whole. Once written, the work counts as saved and the document is the
// open one. True when written.
bool SaveWorkDocument(TCoordinationModel& model, const std::string& path);
// Reads a work document: the coordination is restored, the artwork opened
// and the layers' settings applied. A refused file is reported and changes
// nothing; a missing artwork is named in a message after the coordination
// has been restored; layers that find no settings are counted in one
// message. Once the coordination is restored, the document is the open one,
// its artwork and layers as it names them: artwork it could not open leaves
// the work unlike the document.
void LoadWorkDocument(TCoordinationModel& model, const std::string& path);
// The same from a decoded document; messages go to the model's sink. False
// when the artwork could not be opened.
bool ApplyWorkDocument(TCoordinationModel& model, const TWorkDocument& document, const std::string& workPath);

}  // namespace tintloom
