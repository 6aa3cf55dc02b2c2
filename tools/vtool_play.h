// vtool play FILE [--device N]: plays a recording on the player of the panel, printing
// position and levels as it goes; Ctrl+C stops.
#pragma once

int play_command(int argc, char** argv);
