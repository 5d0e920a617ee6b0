// The one application object; the framework's entry point runs it.
#include "app/TavoApp.h"

CTAVOApp theApp;
