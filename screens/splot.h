// The result screens.
#pragma once

// Shows the result screens in the graphics window until the user leaves them.
void splot();
