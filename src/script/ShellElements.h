#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "script/MyTypes.h"

// The element model of Struct.txt: what each screen shows and the lists handed
// to the owners of input boxes, clip areas, text fields and trees. Every record
// starts zeroed (numbers 0, texts empty, flags false). Edges are absolute
// pixels of the main window: "vw" and "vh" give right and bottom, not a size.
namespace trv {

// Memory screens run from 0; scripts count them from 1. Blocks naming a screen
// past this bound are skipped so that a stray number cannot claim the memory
// of millions of empty screens.
constexpr std::int32_t kMaxScreens = 1000;

struct RBtn {
  std::int32_t left = 0;
  std::int32_t top = 0;
  // Set from the normal picture's size by the screen switch.
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  // Caption box and font: read, unused by the shell.
  std::int32_t textLeft = 0;
  std::int32_t textTop = 0;
  std::int32_t textRight = 0;
  std::int32_t textBottom = 0;
  std::string textFontName;
  std::int32_t textFontSize = 0;
  unsigned textFontStyle = 0;  // FontStyleBits
  Color textFontColor = 0;
  // Archive entries: normal, hover, pressed, inactive, then three more looks
  // the game fades through (fn[0] is fn1).
  std::array<std::string, 7> fn;
  std::string name;     // marker words ("mt", "mm", "close", ...)
  std::string command;  // stored as written: no path rules
  std::string hint;
  std::string sound;  // "no" for none
};

// What both kinds of switch share: place, pictures, state and the mouse over it.
struct RSwitch {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  // Off, off under the mouse, on under the mouse, on.
  std::array<std::string, 4> fn;
  bool store = false;  // the state persists in the settings
  std::string hint;
  std::string sound;
  bool underMouse = false;
  bool on = false;  // key "state"
};

struct RSwthOne : RSwitch {
  std::string goUp;    // run when switched off
  std::string goDown;  // run when switched on
};

struct RSwthGrp : RSwitch {
  std::int32_t group = 0;  // equal numbers on one screen form a group
  std::string command;     // run when the switch is turned on
};

struct RPathInput {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::string defaultText;  // "nodefvalue" means none
  std::int32_t screen = 0;
  std::string hint;
  std::string fontName;
  unsigned fontStyle = 0;  // FontStyleBits
  Color fontColor = 0;
  Color bgColor = 0;
  std::string sound;  // typing sound, "no" for none
};

struct RClip {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  Color bgColor = 0;
  std::int32_t html = 0;
  std::int32_t screen = 0;
};

struct RText {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::string fontName;
  std::int32_t fontSize = 0;  // points
  std::string fontStyle;      // converted by ParseFontStyle when used
  Color fontColor = 0;
  Color highlightColor = 0;
  std::string text;
  std::int32_t number = 0;
  std::int32_t screen = 0;
  std::string ident;  // read, unused by the shell; About.txt's "idenf" ("url": a link)
  std::string hint;
  std::string sound;  // About.txt's links: the sound of a click
};

// Popup font slots: index 0 the up state, 1 the state under the mouse.
constexpr std::size_t kPopupUp = 0;
constexpr std::size_t kPopupMove = 1;

// Popup kinds named by words; any other kind is the number written.
constexpr std::int32_t kPopupHistoryBack = -1;
constexpr std::int32_t kPopupHistoryForward = -2;
constexpr std::int32_t kPopupFavorite = -3;
constexpr std::int32_t kPopupContextHtml = -5;
constexpr std::int32_t kPopupHtmlVisited = -6;
constexpr std::int32_t kPopupRegisteredUsers = -7;

struct RPopupData {
  std::int32_t bgLeft = 0;
  std::int32_t bgTop = 0;
  std::string bgPicture;
  std::int32_t itemLeft = 0;
  std::int32_t itemTop = 0;
  TDynamicStringArray picturesUp;
  TDynamicStringArray picturesMove;
  TDynamicStringArray picturesDown;
  std::array<std::string, 2> fontName;
  std::array<std::int32_t, 2> fontSize{};
  std::array<std::string, 2> fontStyle;
  std::array<Color, 2> fontColor{};
  TDynamicStringArray captions;
  TDynamicStringArray commands;
  std::string parent;
  std::int32_t kind = 0;
  TDynamicStringArray vertex;  // "x,y" items, parsed when the window is made
};

// Tree font slots, in the order the tree keeps them.
constexpr std::size_t kTreeMove = 0;
constexpr std::size_t kTreeUp = 1;
constexpr std::size_t kTreeNormal = 2;

struct RTreeData {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  Color selectColor = 0;
  Color selectTextColor = 0;
  std::string listFile;
  std::int32_t number = 0;
  std::string backgroundImage;
  std::array<std::string, 3> fontName;
  std::array<std::int32_t, 3> fontSize{};
  std::array<std::string, 3> fontStyle;
  std::array<Color, 3> fontColor{};
  Color sbColor = 0;
  Color sbBarColor = 0;
  Color sbArrowColor = 0;
  Color sbArrowHotTrackColor = 0;
  Color sbHintColor = 0;
  Color sbBarHintTextColor = 0;
  Color hintColor = 0;
  Color hintTextColor = 0;
  std::int32_t screen = 0;
};

using TDynamicBtnArray = std::vector<RBtn>;
using TDynamicSwthOneArray = std::vector<RSwthOne>;
using TDynamicSwthGrpArray = std::vector<RSwthGrp>;
using TDynamicPathInputArray = std::vector<RPathInput>;
using TDynamicClipArray = std::vector<RClip>;
using TDynamicTextArray = std::vector<RText>;
using TDynamicTreeDataArray = std::vector<RTreeData>;
using TDynamicPopupDataArray = std::vector<RPopupData>;
using TPopupData = std::vector<TDynamicPopupDataArray>;

struct TElementModel {
  // Indexed by memory screen; each grows only as far as its own blocks reach
  // (a picture line grows the first four).
  std::vector<TDynamicBtnArray> Buttons;
  std::vector<TDynamicSwthOneArray> SingleSwitches;
  std::vector<TDynamicSwthGrpArray> GroupSwitches;
  TDynamicStringArray ScreenPictures;
  TPopupData PopupData;

  // Lists that carry their screen in each record.
  TDynamicPathInputArray inputBoxes;
  TDynamicClipArray clips;
  TDynamicTextArray texts;
  TDynamicTreeDataArray trees;

  Color hintColor = 0;
  bool hintColorSet = false;
};

}  // namespace trv
