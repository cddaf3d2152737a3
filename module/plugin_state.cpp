#include "module/plugin_state.h"

PluginStateRecord PluginState;

const char RootName[] = "Quorlenta";
const char MessageCaption[] = "Tabrinox";
