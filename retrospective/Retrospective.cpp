// The retrospective cluster test windows live here.
