#include "core/document/command_line_render.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>

#include "core/artwork/blend_table.h"
#include "core/document/artwork_export.h"
#include "core/document/layered_export.h"
#include "core/formats/layered_psd.h"
#include "core/base/data_files.h"
#include "core/base/file_io.h"
#include "core/base/program_version.h"
#include "core/document/palette_document_commands.h"
#include "core/document/work_document_commands.h"
#include "core/formats/palette_document.h"
#include "core/palette/tone_data.h"
#include "core/formats/work_document.h"
#include "core/document/coordination_model.h"

namespace tintloom {

namespace {

constexpr const char* kHelp =
    "Usage: tintloom [FILE.psd | FILE.kra | FILE.ora | FILE.tlp | FILE.tlw ...]\n"
    "       tintloom --render WORK.tlw [--palette PALETTE.tlp ...] (--output FILE.png | --output-dir DIR)\n"
    "                [--size N] [--background transparent|RRGGBB]\n"
    "       tintloom --render WORK.tlw [--palette PALETTE.tlp ...] (--output FILE.psd | --output-dir DIR --format psd)\n"
    "\n"
    "Without options, opens the windows and the files named. With --render, writes\n"
    "the artwork of a Tintloom work document, recoloured, as PNG, or as a layered\n"
    "PSD with every layer recoloured, without opening a window.\n"
    "\n"
    "  --render WORK.tlw     the work document: its palette, artwork and layer settings\n"
    "  --palette FILE.tlp    render with this palette instead of the work's own; may be\n"
    "                        repeated, one picture per palette, named after it\n"
    "  --output FILE         the picture to write (one picture only); its extension\n"
    "                        names the format: .png, or .psd for a layered PSD (one\n"
    "                        layer per layer of the artwork in its colours, modes,\n"
    "                        names and hidden flags, the merged picture over white,\n"
    "                        at the artwork's own size)\n"
    "  --output-dir DIR      the folder to write into (made if missing); each picture is\n"
    "                        named after its palette, or after the work document;\n"
    "                        two palettes of one file name (a/x.tlp, b/x.tlp) would\n"
    "                        make two pictures of one name, so they are refused\n"
    "                        before anything is written\n"
    "  --format png|psd      what --output-dir writes (default: png)\n"
    "  --size N              fit the longer side to N pixels, averaged as the canvas\n"
    "                        shrinks (default: the artwork's own size)\n"
    "  --background B        what lies under the artwork: transparent, or a colour as\n"
    "                        six hexadecimal digits RRGGBB (default: FFFFFF, white)\n"
    "                        (--size and --background are for PNG pictures only)\n"
    "  --help                show this text\n"
    "  --version             show the version\n"
    "\n"
    "Exit status: 0 when every picture was written, 1 when a file could not be read\n"
    "or written, 2 for a wrong command line. The manual page (man tintloom) tells\n"
    "more, with the files Tintloom keeps and the environment it reads.\n";

struct TRenderCommand {
  std::string work;
  std::vector<std::string> palettes;
  std::optional<std::string> output;
  std::optional<std::string> outputDir;
  std::int32_t size = 0;
  bool backgroundGiven = false;
  TRenderBackground background;
  bool layered = false;  // a layered PSD rather than a PNG picture
  bool formatGiven = false;
};

bool EndsInPsd(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == ".psd";
}

class TCollectedMessages final : public TMessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

// The command line, or the one line that says what is wrong with it.
std::optional<std::string> ParseCommand(const std::vector<std::string>& args, TRenderCommand& command) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    std::optional<std::string> v;
    if (option == "--render" || option == "--palette" || option == "--output" || option == "--output-dir" ||
        option == "--size" || option == "--background" || option == "--format") {
      v = value();
      if (!v || v->empty()) return option + " needs a value (see --help)";
    }
    if (option == "--render") {
      if (!command.work.empty()) return "only one --render work document may be given";
      command.work = *v;
    } else if (option == "--palette") {
      command.palettes.push_back(*v);
    } else if (option == "--output") {
      command.output = *v;
    } else if (option == "--output-dir") {
      command.outputDir = *v;
    } else if (option == "--size") {
      int n = 0;
      const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
      if (ec != std::errc() || end != v->data() + v->size() || n < 1 || n > 65535) {
        return "--size needs a whole number of pixels from 1 to 65535, not '" + *v + "'";
      }
      command.size = n;
    } else if (option == "--format") {
      if (*v != "png" && *v != "psd") return "--format takes png or psd, not '" + *v + "'";
      command.layered = *v == "psd";
      command.formatGiven = true;
    } else if (option == "--background") {
      command.backgroundGiven = true;
      if (*v == "transparent") {
        command.background.transparent = true;
      } else {
        unsigned rgb = 0;
        const std::string digits = (*v)[0] == '#' ? v->substr(1) : *v;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), rgb, 16);
        if (digits.size() != 6 || ec != std::errc() || end != digits.data() + digits.size()) {
          return "--background needs 'transparent' or six hexadecimal digits RRGGBB, not '" + *v + "'";
        }
        command.background.transparent = false;
        command.background.colour = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
      }
    } else {
      return "unknown argument '" + option + "' (see --help)";
    }
  }
  if (command.work.empty()) return "--render needs a work document (see --help)";
  if (command.output.has_value() == command.outputDir.has_value()) {
    return "give either --output FILE.png or --output-dir DIR (see --help)";
  }
  if (command.output && command.formatGiven) {
    return "--format is for --output-dir; --output takes its format from the file's extension";
  }
  if (command.output) command.layered = EndsInPsd(*command.output);
  if (command.layered && (command.size > 0 || command.backgroundGiven)) {
    return "a layered PSD is written at the artwork's own size over white: --size and --background are for PNG";
  }
  if (command.output && command.palettes.size() > 1) {
    return "several palettes make several pictures: use --output-dir instead of --output";
  }
  return std::nullopt;
}

// The picture each job writes, in order: the work's own palette, or each
// palette given.
std::vector<std::string> OutputNames(const TRenderCommand& command) {
  namespace fs = std::filesystem;
  if (!command.outputDir) return {*command.output};
  const auto into = [&command](const std::string& named) {
    return (fs::path(*command.outputDir) / fs::path(named).stem()).string() + (command.layered ? ".psd" : ".png");
  };
  std::vector<std::string> names;
  if (command.palettes.empty()) names.push_back(into(command.work));
  for (const std::string& palette : command.palettes) names.push_back(into(palette));
  return names;
}

// The line that refuses outputs no picture can be written to as asked:
// a format the extension does not name, or two pictures of one name, the
// second of which would overwrite the first.
std::optional<std::string> CheckOutputNames(const TRenderCommand& command, const std::vector<std::string>& names) {
  if (command.output && !command.layered && !PictureFormatForPath(*command.output)) {
    return "cannot write '" + *command.output + "': the extension names the format, one of " + PictureFormatList() +
           ", .psd";
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (names[i] != names[j]) continue;
      return "two pictures would be written to '" + names[i] + "' (palettes '" + command.palettes[j] + "' and '" +
             command.palettes[i] + "'); render them into different folders";
    }
  }
  return std::nullopt;
}

}  // namespace

bool WantsCommandLineRender(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--render" || a == "--help" || a == "-h" || a == "--version") return true;
  }
  return false;
}

int RunCommandLineRender(const std::vector<std::string>& args, const std::string& programDir, std::ostream& out,
                         std::ostream& err) {
  namespace fs = std::filesystem;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      out << "Tintloom " << ProgramVersion() << "\n\n" << kHelp;
      return 0;
    }
    if (a == "--version") {
      out << "tintloom " << ProgramVersion() << '\n';
      return 0;
    }
  }
  const auto fail = [&err](int status, const std::string& line) {
    err << "tintloom: " << line << '\n';
    return status;
  };
  TRenderCommand command;
  if (const std::optional<std::string> wrong = ParseCommand(args, command)) return fail(2, *wrong);
  const std::vector<std::string> outputs = OutputNames(command);
  if (const std::optional<std::string> wrong = CheckOutputNames(command, outputs)) return fail(2, *wrong);

  // The work document, every palette and the artwork are checked before
  // anything is written.
  std::error_code ec;
  if (fs::file_size(command.work, ec) > kMaxWorkDocumentBytes && !ec) {
    return fail(1, "'" + command.work + "' is too large for a work document (over " +
                       std::to_string(kMaxWorkDocumentBytes >> 20) + " MB)");
  }
  const auto notRegular = [&fail](const std::string& path) {
    return fail(1, "'" + path + "' is not a regular file");
  };
  Result<std::vector<std::uint8_t>> workBytes = ReadWholeFile(command.work, kMaxWorkDocumentBytes);
  if (!workBytes && IsNotRegularFileFailure(workBytes.error())) return notRegular(command.work);
  if (!workBytes) return fail(1, "cannot read work document '" + command.work + "'");
  Result<TWorkDocument> work = DecodeWorkDocument(*workBytes);
  if (!work) {
    return fail(1, work.error().message == kDocumentVersionMessage
                       ? "'" + command.work + "' is a work document of a newer version"
                       : "'" + command.work + "' is not a Tintloom work document, or it is damaged");
  }
  if (!work->artwork) return fail(1, "work document '" + command.work + "' names no artwork");
  const std::string artwork = ResolveArtworkPath(*work->artwork, command.work);
  if (!fs::is_regular_file(artwork, ec)) return fail(1, "artwork '" + artwork + "' not found");

  std::vector<std::vector<std::uint8_t>> palettes;
  for (const std::string& path : command.palettes) {
    Result<std::vector<std::uint8_t>> bytes = ReadFileStart(path, kPaletteDocumentSize);
    if (!bytes && IsNotRegularFileFailure(bytes.error())) return notRegular(path);
    if (!bytes) return fail(1, "cannot read palette '" + path + "'");
    TPaletteDocument scratch;
    if (bytes->size() != kPaletteDocumentSize || !DecodePaletteDocument(*bytes, scratch)) {
      return fail(1, "'" + path + "' is not a Tintloom palette, or it is damaged");
    }
    palettes.push_back(std::move(bytes).value());
  }

  // The model as the program starts it, without windows.
  TModelViews views;
  TCollectedMessages messages;
  TCoordinationModel model(views, messages);
  const std::string toneFile = LocateDataFile(kToneDataFileName, programDir);
  if (!model.toneData.LoadToneData(toneFile)) return fail(1, "cannot read the data file '" + toneFile + "'");
  const std::string blendFile = LocateDataFile(kBlendFileName, programDir);
  if (!GlobalBlendTable().LoadBlendTable(blendFile)) return fail(1, "cannot read the data file '" + blendFile + "'");
  model.ConstructScheme();

  const std::size_t before = messages.messages.size();
  if (!ApplyWorkDocument(model, *work, command.work) || model.LayerCount() < 1) {
    // Said as the window says it: a readable file whose layers are all empty
    // or hidden has nothing to recolour.
    const bool noLayers = std::find(messages.messages.begin() + static_cast<std::ptrdiff_t>(before),
                                    messages.messages.end(), kNoLayersMessage) != messages.messages.end();
    if (noLayers) return fail(1, "artwork '" + artwork + "' has no layers (none with visible pixels)");
    return fail(1, "cannot open artwork '" + artwork + "' (not a readable layered PSD, Krita or OpenRaster file)");
  }
  // Only the message about layers that found no settings is a warning
  // here; what opening the artwork says (layers a Krita file keeps no pixels
  // for, modes drawn as normal) is about the artwork, not the work.
  const std::string changed = TL_TEXT("tintloom", "見本のレイヤーが作業ファイルの保存時と変わっています。");
  if (std::any_of(messages.messages.begin() + static_cast<std::ptrdiff_t>(before), messages.messages.end(),
                  [&](const std::string& text) { return text.rfind(changed, 0) == 0; })) {
    err << "tintloom: warning: the artwork's layers changed since the work was saved; some layers keep no settings\n";
  }

  struct TJob {
    const std::vector<std::uint8_t>* palette;
    std::string output;
  };
  std::vector<TJob> jobs;
  if (command.outputDir) {
    fs::create_directories(*command.outputDir, ec);
    if (!fs::is_directory(*command.outputDir, ec)) return fail(1, "cannot make the folder '" + *command.outputDir + "'");
    if (palettes.empty()) jobs.push_back({nullptr, outputs.front()});
    for (std::size_t i = 0; i < palettes.size(); ++i) jobs.push_back({&palettes[i], outputs[i]});
  } else {
    jobs.push_back({palettes.empty() ? nullptr : &palettes.front(), outputs.front()});
  }
  for (const TJob& job : jobs) {
    if (job.palette != nullptr && !ReadPaletteDocumentInto(model, *job.palette)) {
      return fail(1, "cannot use the palette for '" + job.output + "'");
    }
    Result<TRenderOutcome> written =
        command.layered ? ExportLayeredPsd(model, job.output, nullptr)
                        : ExportArtwork(model, job.output, command.background, command.size, nullptr);
    if (!written) {
      if (written.error().message.starts_with(kNoSuchFolderMessage)) {
        return fail(1, "cannot write '" + job.output + "': no such folder '" +
                           fs::path(job.output).parent_path().string() + "'");
      }
      if (written.error().message == kFileAccessMessage) return fail(1, "cannot write '" + job.output + "'");
      if (written.error().message == kExportOverArtworkMessage) return fail(1, "'" + job.output + "' is the artwork itself: choose another name");
      if (written.error().message == kPsdTooLargeMessage) return fail(1, "'" + job.output + "' would be larger than a PSD file can be (4 GB)");
      if (IsNotRegularFileFailure(written.error())) return fail(1, "'" + job.output + "' is not a regular file: nothing was written");
      if (written.error().message == kArtworkChangedMessage) return fail(1, "artwork '" + artwork + "' changed while it was read");
      return fail(1, "cannot render '" + job.output + "' (the artwork could not be read, or memory ran out)");
    }
    out << job.output << '\n';
  }
  return 0;
}

}  // namespace tintloom
