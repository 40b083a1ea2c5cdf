// The outside world as the core sees it: one reference per interface,
// handed to every command and operation. Nothing is looked up globally.
#pragma once

#include "platform/interfaces.h"

namespace quillon {

struct Platform {
  MessageBox& messages;
  FileLister& files;
  DatePatternSource& date_pattern;
  Clock& clock;
  ProgramFolder& program_folder;
  EventPump& events;
  MousePointer& pointer;
  Browser& browser;
  WebOpener& web;
  FolderPicker& folders;
  Fetcher& fetcher;
  BrokerFactory& brokers;
  RunProgress& progress;
};

}  // namespace quillon
