// The stage remote's page.
