#include "ui/PageControl.h"
