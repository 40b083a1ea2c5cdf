// The outside world as the window's commands see it: one reference per
// interface, built with designated initialisers. The commands hand each
// operation only the pieces it uses. Nothing is looked up globally.
#pragma once

#include "platform/interfaces.h"

namespace quillon {

struct Platform {
  MessageBox& messages;
  Disk& disk;
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
  FolderLocks& locks;  // one catch-up at a time per source folder
  BatchFetcher* batch_fetcher = nullptr;  // several transfers at once, where there is one
};

}  // namespace quillon
