// JumpLink: one button of the main window's link bar, as the skin's common
// configuration describes it. A plain record; the controller keeps the list,
// the UI thread builds and reads it.
#ifndef APP_CONFIG_JUMP_LINK_H_
#define APP_CONFIG_JUMP_LINK_H_

#include <string>

struct JumpLink {
  std::string normalImage;
  std::string hotImage;
  std::string tooltipId;  // text id of the tooltip; empty for none
  std::string linkKey;    // the links entry that the button opens
};

#endif  // APP_CONFIG_JUMP_LINK_H_
